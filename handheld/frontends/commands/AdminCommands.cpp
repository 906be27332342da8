// domains, connection-result and register-id: the password screen first,
// driven as a person would (a wrong password is followed by the next one,
// so every failure counts toward the screen's lock; the first use's change
// of the common password is made on the change screen), then the
// administrator menu and the screen of the job.
#include "frontends/commands/Commands.h"
#include "frontends/commands/PasswordInput.h"
#include "platform/TextConversion.h"

namespace p42r::frontends {

using json = nlohmann::ordered_json;

namespace {

// What the password screens say.
constexpr std::uint32_t kWrongPassword = 30100;
constexpr std::uint32_t kLocked = 30101;
constexpr std::uint32_t kChanged = 30151;
constexpr std::uint32_t kChangeRefusals[] = {30103, 30104, 30105, 30106, 30107};

// What the domain screen says.
constexpr std::uint32_t kReadFailed = 30500;
constexpr std::uint32_t kDomainNoReply = 30501;
constexpr std::uint32_t kDomainDone[] = {30651, 30751, 30852};      // added, deleted, edited
constexpr std::uint32_t kDomainRefused[] = {30601, 30701, 30801};   // not registered, deleted or changed
constexpr std::uint32_t kResultFailed = 30900;
constexpr std::uint32_t kFirstResultText = 30950;  // result digit d shows 30950 + d
constexpr int kHighestResult = 3;

// What the ID registration screen says.
constexpr std::uint32_t kNotRegistered = 31300;
constexpr std::uint32_t kRegistrationNoReply = 31301;
constexpr std::uint32_t kRegistered = 31351;

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
    if (text == Text(kWrongPassword)) {
      refusal_ = text;
      context.answer(true);
      // The screen may lock now; the next attempt waits until it has said so.
      context.defer([this, &context] {
        if (!denied_) Authenticate(context);
      });
      return true;
    }
    if (text == Text(kLocked)) return End(context, OutcomeKind::AccessDenied, text);
    if (text == Text(kChanged)) {
      context.answer(true);
      return true;
    }
    for (const std::uint32_t refusal : kChangeRefusals) {
      if (text == Text(refusal)) return End(context, OutcomeKind::Usage, text);
    }
    if (text == Text(kDomainNoReply) || text == Text(kRegistrationNoReply)) {
      return End(context, OutcomeKind::TimedOut, text);
    }
    if (text == Text(kReadFailed) || text == Text(kResultFailed) ||
        (request_.kind == CommandKind::RegisterId && EndsWithText(text, kNotRegistered))) {
      return End(context, OutcomeKind::Refused, text);
    }
    for (int digit = 0; digit <= kHighestResult; ++digit) {
      if (text != Text(kFirstResultText + static_cast<std::uint32_t>(digit))) continue;
      Outcome outcome;
      outcome.message = text;
      outcome.fields = {{"connectionResult", digit}};
      outcome.text = text;
      context.answer(true);
      context.report(std::move(outcome));
      return true;
    }
    if (request_.kind == CommandKind::RegisterId && EndsWithText(text, kRegistered)) {
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
    for (const std::uint32_t done : kDomainDone) {
      if (EndsWithText(text, done)) kind = OutcomeKind::Ok;
    }
    for (const std::uint32_t refused : kDomainRefused) {
      if (EndsWithText(text, refused)) kind = OutcomeKind::Refused;
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
