// update: the consumer menu's phone update, its power warning answered (on
// the terminal, or by --yes), its progress screen followed notice by notice
// and the text it ends with taken for the result.
#include "frontends/commands/Commands.h"
#include "link/AtVocabulary.h"
#include "platform/TextConversion.h"

namespace p42r::frontends {

using json = nlohmann::ordered_json;

namespace {

using namespace resources::strings::updating;
// The text of the card's reason that says the update finished after all.
constexpr std::uint32_t kFinishedAfterAll = kFirstReasonText + (link::at::kUpdateFinished - link::at::kFirstReason);
constexpr int kBarWidth = 20;

std::string Bar(int percent) {
  const int filled = percent * kBarWidth / 100;
  return "[" + std::string(static_cast<std::size_t>(filled), '#') +
         std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "]";
}

class UpdateCommand final : public Command {
 public:
  explicit UpdateCommand(bool yes) : yes_(yes) {}
  int firstScreen() const override { return screens::kConsumerMenu; }
  void begin(CommandContext& context, const platform::Form&) override {
    context.click(controls::consumer_menu::kUpdate);
  }

  void screenShown(CommandContext& context, const platform::Form& screen) override {
    if (screen.number() == screens::kUpdateStart && !started_) context.click(controls::update_start::kStart);
    if (screen.number() == screens::kUpdating) started_ = true;
  }

  bool messageBox(CommandContext& context, const platform::MessageBoxState& box) override {
    if (started_ || box.buttons != platform::MessageBoxButtons::OkCancel) return false;
    // The power warning before the start.
    const std::string warning = platform::ToUtf8(box.text);
    std::optional<bool> accepted = yes_ ? std::optional<bool>(true) : context.ask(warning);
    context.answer(accepted.value_or(false));
    if (!accepted.value_or(false)) {
      Outcome outcome;
      outcome.kind = accepted ? OutcomeKind::Interrupted : OutcomeKind::Usage;
      outcome.message = accepted ? "the update was not started"
                                 : "the power warning needs an answer: run on a terminal or give --yes";
      context.report(std::move(outcome));
    }
    return true;
  }

  void controlChanged(CommandContext& context, const platform::Form& screen, const platform::Control& control,
                      platform::ControlProperty property) override {
    if (screen.number() != screens::kUpdating || !started_) return;
    if (control.id() == controls::updating::kStatusText && property == platform::ControlProperty::Text) {
      status_ = platform::ToUtf8(control.text());
      statusId_ = control.textId();
    } else if (control.id() == controls::updating::kProgressBar && property == platform::ControlProperty::Position) {
      // A notice sets its text first, then moves the bar.
      percent_ = control.position();
      if (!status_.empty() && !ended_) {
        context.progress({{"event", "progress"}, {"percent", percent_}, {"text", status_}},
                         Bar(percent_) + " " + std::to_string(percent_) + "% " + status_);
      }
    } else if (control.id() == controls::updating::kBack && property == platform::ControlProperty::Enabled &&
               control.isEnabled()) {
      // The final text may follow in the same step.
      ended_ = true;
      context.defer([this, &context] { Ended(context); });
    }
  }

 private:
  // The run is over: the status box holds how it ended.
  void Ended(CommandContext& context) {
    Outcome outcome;
    outcome.message = status_;
    std::string update = "failed";
    if (statusId_ == kCompleted || statusId_ == kFinishedAfterAll) {
      update = "completed";
    } else if (statusId_ == kNotNeededText) {
      update = "not-needed";
    } else if (statusId_ == kNoReply) {
      update = "no-reply";
      outcome.kind = OutcomeKind::TimedOut;
    } else {
      outcome.kind = OutcomeKind::Refused;
    }
    outcome.fields = {{"update", update}, {"percent", percent_}};
    outcome.text = "update " + update + ": " + status_;
    context.report(std::move(outcome));
  }

  bool yes_;
  bool started_ = false;
  bool ended_ = false;
  int percent_ = 0;
  std::string status_;
  std::uint32_t statusId_ = 0;  // the string-table entry of status_
};

}  // namespace

std::unique_ptr<Command> MakeUpdateCommand(const CommandRequest& request) {
  return std::make_unique<UpdateCommand>(request.yes);
}

}  // namespace p42r::frontends
