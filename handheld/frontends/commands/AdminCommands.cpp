// domains, connection-result and register-id: the password screen first,
// driven as a person would (a wrong password is followed by the next one,
// so every failure counts toward the screen's lock; the first use's change
// of the common password is made on the change screen), then the
// administrator menu and the screen of the job.
#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "frontends/commands/Commands.h"
#include "frontends/commands/PasswordInput.h"
#include "platform/TextConversion.h"
#include "resources/StringIds.h"

namespace p42r::frontends {

using json = nlohmann::ordered_json;

namespace {

namespace check_password = resources::strings::check_password;
namespace change_password = resources::strings::change_password;
namespace domains = resources::strings::domains;
namespace id_registration = resources::strings::id_registration;

// The change screen's refusals of a new password.
constexpr std::uint32_t kChangeRefusals[] = {change_password::kEntriesDiffer, change_password::kInvalidCharacters,
                                             change_password::kTooShort, change_password::kTooLong,
                                             change_password::kNotUpdated};
// The domain screen's results of a change, each after the domain or row it is about.
constexpr std::uint32_t kDomainDone[] = {domains::kAdded, domains::kDeleted, domains::kEdited};
constexpr std::uint32_t kDomainRefused[] = {domains::kNotRegistered, domains::kNotDeleted, domains::kNotChanged};

template <typename Ids>
bool IsOneOf(std::uint32_t textId, const Ids& ids) {
  return std::find(std::begin(ids), std::end(ids), textId) != std::end(ids);
}
bool IsOneOf(std::uint32_t textId, std::initializer_list<std::uint32_t> ids) { return IsOneOf<>(textId, ids); }

class AdministratorCommand final : public Command {
 public:
  explicit AdministratorCommand(const CommandRequest& request) : request_(request) {}
  int firstScreen() const override { return screens::kCheckPassword; }
  // The password is asked for once the screen has settled: a locked one
  // leads on to the lock release at once, and then none is read.
  void begin(CommandContext& context, const platform::Form&) override {
    context.defer([this, &context] {
      if (!denied_) Authenticate(context);
    });
  }

  void screenShown(CommandContext& context, const platform::Form& screen) override {
    switch (screen.number()) {
      case screens::kChangePassword: ChangePassword(context); break;
      case screens::kUnlock:
        End(context, OutcomeKind::AccessDenied,
            "the administrator password is locked after ten wrong ones; release the lock with the unlock code on "
            "the program's lock release screen (p42r, administrator menu)",
            false);
        break;
      case screens::kConnectionMenu: context.click(controls::connection_menu::kDomains); break;
      case screens::kSecurityMenu: context.click(controls::security_menu::kIdRegistration); break;
      case screens::kIdRegistration:
        context.type(controls::id_registration::kId, request_.text);
        context.click(controls::id_registration::kRegister);
        break;
      default: break;
    }
  }

  void controlChanged(CommandContext& context, const platform::Form& screen, const platform::Control& control,
                      platform::ControlProperty property) override {
    // Back usable again: the domain screen has finished talking to the card.
    if (screen.number() != screens::kDomains || control.id() != controls::domains::kBack ||
        property != platform::ControlProperty::Enabled || !control.isEnabled()) {
      return;
    }
    const platform::Control* list = screen.control(controls::domains::kList);
    if (list == nullptr) return;
    if (acted_ || (request_.kind == CommandKind::Domains && request_.domainsAction == DomainsAction::List)) {
      Report(context, *list);
      return;
    }
    acted_ = true;
    Act(context, *list);
  }

  bool messageBox(CommandContext& context, const platform::MessageBoxState& box) override {
    const std::string text = platform::ToUtf8(box.text);
    if (box.buttons == platform::MessageBoxButtons::OkCancel) {
      context.answer(true);  // the confirmation of what was asked for
      return true;
    }
    const std::uint32_t id = box.textId;
    if (id == check_password::kWrongPassword) {
      refusal_ = text;
      context.answer(true);
      // The screen may lock now; the next attempt waits until it has said so.
      context.defer([this, &context] {
        if (!denied_) Authenticate(context);
      });
      return true;
    }
    if (id == check_password::kLocked) return End(context, OutcomeKind::AccessDenied, text);
    if (id == change_password::kChanged) {
      context.answer(true);
      return true;
    }
    if (IsOneOf(id, kChangeRefusals)) return End(context, OutcomeKind::Usage, text);
    if (IsOneOf(id, {domains::kNoReply, id_registration::kNoReply})) return End(context, OutcomeKind::TimedOut, text);
    if (IsOneOf(id, {domains::kReadFailed, domains::kResultFailed, id_registration::kNotRegistered})) {
      return End(context, OutcomeKind::Refused, text);
    }
    for (int digit = 0; digit <= domains::kHighestResult; ++digit) {
      if (id != domains::kFirstResultText + static_cast<std::uint32_t>(digit)) continue;
      Outcome outcome;
      outcome.message = text;
      outcome.fields = {{"connectionResult", digit}};
      outcome.text = text;
      context.answer(true);
      context.report(std::move(outcome));
      return true;
    }
    if (id == id_registration::kRegistered) {
      Outcome outcome;
      outcome.message = outcome.text = text;
      context.answer(true);
      context.report(std::move(outcome));
      return true;
    }
    if (!acted_) return false;
    // The domain change's result (or the screen's reason for not trying);
    // the list is read again once the screen is idle.
    std::optional<OutcomeKind> kind;
    if (IsOneOf(id, kDomainDone)) {
      kind = OutcomeKind::Ok;
    } else if (IsOneOf(id, kDomainRefused)) {
      kind = OutcomeKind::Refused;
    }
    // Anything else is the screen's reason for not asking the card (the
    // domain's rules): nothing more will happen.
    if (!kind) return End(context, OutcomeKind::Usage, text);
    result_ = text;
    resultKind_ = *kind;
    context.answer(true);
    return true;
  }

 private:
  void Authenticate(CommandContext& context) {
    auto password = context.secret("administrator password: ");
    if (!password) {
      // After a refused password, the screen's refusal is why the command
      // ends; before any, the missing password is.
      End(context, OutcomeKind::AccessDenied,
          refusal_.empty() ? "no (further) password: give it on a terminal, or on descriptor N with --password-fd N"
                           : refusal_,
          false);
      return;
    }
    context.type(controls::check_password::kPassword, *password);
    Wipe(*password);
    context.click(controls::check_password::kAuthenticate);
  }

  // The first use asks for a password of the administrator's own, twice.
  void ChangePassword(CommandContext& context) {
    auto password = context.secret("new administrator password: ");
    auto again = password ? context.secret("the new password again: ") : std::nullopt;
    if (!password || !again) {
      End(context, OutcomeKind::AccessDenied, "the common password must be changed first: give the new one twice",
          false);
      return;
    }
    context.type(controls::change_password::kNewPassword, *password);
    context.type(controls::change_password::kConfirmation, *again);
    Wipe(*password);
    Wipe(*again);
    context.click(controls::change_password::kDecide);
  }

  void Act(CommandContext& context, const platform::Control& list) {
    if (request_.kind == CommandKind::ConnectionResult) {
      context.click(controls::domains::kConnectionResult);
      return;
    }
    int row = request_.slot - 1;
    if (request_.domainsAction == DomainsAction::Add) {
      const auto& rows = list.rows();
      row = -1;
      for (std::size_t i = 0; i < rows.size() && row < 0; ++i) {
        if (rows[i].empty() || rows[i][0].empty()) row = static_cast<int>(i);
      }
      if (row < 0) {
        End(context, OutcomeKind::Usage, "every slot is in use: set or delete one", false);
        return;
      }
    }
    context.select(controls::domains::kList, row);
    // The tap on a row fills the field with the row's domain, through a
    // notice the select posts; the typing and the button come after it.
    context.defer([this, &context] {
      context.defer([this, &context] {
        if (request_.domainsAction != DomainsAction::Delete) context.type(controls::domains::kName, request_.text);
        context.click(request_.domainsAction == DomainsAction::Add   ? controls::domains::kAdd
                      : request_.domainsAction == DomainsAction::Set ? controls::domains::kEdit
                                                                     : controls::domains::kDelete);
      });
    });
  }

  void Report(CommandContext& context, const platform::Control& list) {
    Outcome outcome;
    json domains = json::array();
    int slot = 1;
    for (const auto& row : list.rows()) {
      const std::string domain = row.empty() ? std::string() : platform::ToUtf8(row[0]);
      domains.push_back({{"slot", slot}, {"domain", domain.empty() ? json(nullptr) : json(domain)}});
      outcome.text += (outcome.text.empty() ? "" : "\n") + std::to_string(slot) + "\t" + domain;
      ++slot;
    }
    outcome.fields["domains"] = std::move(domains);
    if (!result_.empty()) {
      outcome.kind = resultKind_;
      outcome.message = result_;
      outcome.text = result_ + "\n" + outcome.text;
    }
    context.report(std::move(outcome));
  }

  bool End(CommandContext& context, OutcomeKind kind, const std::string& message, bool answerBox = true) {
    denied_ = kind == OutcomeKind::AccessDenied || denied_;
    Outcome outcome;
    outcome.kind = kind;
    outcome.message = message;
    if (answerBox) context.answer(true);
    context.report(std::move(outcome));
    return true;
  }

  CommandRequest request_;
  bool denied_ = false;
  bool acted_ = false;
  std::string refusal_;  // the password screen's text for the last refused password
  std::string result_;
  OutcomeKind resultKind_ = OutcomeKind::Ok;
};

}  // namespace

std::unique_ptr<Command> MakeAdministratorCommand(const CommandRequest& request) {
  return std::make_unique<AdministratorCommand>(request);
}

}  // namespace p42r::frontends
