// info, signal and led: the start-up's identification, the communication
// state screen and the LED setting screen, read and tapped.
#include <algorithm>
#include <ctime>

#include "frontends/commands/Commands.h"
#include "frontends/commands/MetricsFile.h"
#include "link/AtVocabulary.h"
#include "platform/TextConversion.h"
#include "resources/StringIds.h"
#include "status/ClsDispState.h"

namespace p42r::frontends {

using json = nlohmann::ordered_json;

namespace {

namespace state_text = resources::strings::state;
namespace led_text = resources::strings::led_setting;

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

class InfoCommand final : public Command {
 public:
  int firstScreen() const override { return screens::kConsumerMenu; }
  void begin(CommandContext& context, const platform::Form&) override {
    const CardFacts& facts = context.facts();
    Outcome outcome;
    const std::string port = facts.portName();
    const std::string maker = platform::ToUtf8(link::at::Token(link::at::kMaker));
    outcome.fields = {{"port", port},
                      {"hostDevice", facts.hostDevice()},
                      {"maker", maker},
                      {"updateWasRunning", facts.updateWasRunning}};
    outcome.text = "port " + port + " (" + facts.hostDevice() + ")\nmaker " + maker +
                   "\nupdate still being written at start: " + (facts.updateWasRunning ? "yes" : "no");
    if (facts.updateWasRunning) {
      outcome.fields["updateResult"] = facts.startStatus;
      outcome.text += "\n" + facts.startStatus;
    }
    context.report(std::move(outcome));
  }
};

class SignalCommand final : public Command {
 public:
  SignalCommand(std::optional<int> watchSeconds, std::string metricsFile)
      : watchSeconds_(watchSeconds), metricsFile_(std::move(metricsFile)) {}
  int firstScreen() const override { return screens::kGeneralMenu; }
  void begin(CommandContext& context, const platform::Form&) override { context.click(controls::general_menu::kState); }
  void screenShown(CommandContext& context, const platform::Form& screen) override {
    if (screen.number() == screens::kState && !asked_) Query(context);
  }
  void controlChanged(CommandContext& context, const platform::Form& screen, const platform::Control& control,
                      platform::ControlProperty property) override {
    if (screen.number() != screens::kState || !querying_) return;
    if (control.id() == controls::state::kNetwork && property == platform::ControlProperty::Text) {
      label_ = control.text();
    }
    if (control.id() == controls::state::kPicture && property == platform::ControlProperty::Picture) {
      picture_ = control.picture().resource;
    }
    // The screen is idle again: the query is over, whichever way.
    if (control.id() == controls::state::kGetState && property == platform::ControlProperty::Enabled &&
        control.isEnabled()) {
      Answered(context);
    }
  }
  bool messageBox(CommandContext& context, const platform::MessageBoxState& box) override {
    const std::string text = platform::ToUtf8(box.text);
    if (box.textId == state_text::kNotObtained) failure_ = {OutcomeKind::Refused, text};
    else if (box.textId == state_text::kNoReply) failure_ = {OutcomeKind::TimedOut, text};
    else return false;
    context.answer(true);
    return true;
  }

 private:
  void Query(CommandContext& context) {
    asked_ = querying_ = true;
    picture_ = 0;
    failure_.reset();
    context.click(controls::state::kGetState);
  }

  void Answered(CommandContext& context) {
    querying_ = false;
    Outcome outcome;
    if (failure_) {
      outcome.kind = failure_->first;
      outcome.message = failure_->second;
    } else {
      const auto& pictures = status::ClsDispState::kLevelPictures;
      const auto level = std::find(pictures.begin(), pictures.end(), picture_) - pictures.begin();
      const std::string label = platform::ToUtf8(label_);
      outcome.fields = {{"level", level}, {"network", label.empty() ? json(nullptr) : json(label)}};
      outcome.text = "level " + std::to_string(level) + "/4" + (label.empty() ? "" : ", " + label);
    }
    if (!metricsFile_.empty()) {
      ReceptionSample sample;
      sample.answered = outcome.kind == OutcomeKind::Ok;
      sample.when = std::time(nullptr);
      if (sample.answered) {
        sample.level = outcome.fields["level"].get<int>();
        if (outcome.fields["network"].is_string()) sample.network = outcome.fields["network"].get<std::string>();
      }
      if (auto failed = ReplaceMetricsFile(metricsFile_, MetricsText(sample))) {
        Outcome broken;
        broken.kind = OutcomeKind::Failed;
        broken.message = *failed;
        context.report(std::move(broken));
        return;
      }
    }
    if (!watchSeconds_) {
      context.report(std::move(outcome));
      return;
    }
    // Watching: each answer is a line of its own, and the next query follows.
    json line = {{"command", "signal"},
                 {"time", UtcNow()},
                 {"ok", outcome.kind == OutcomeKind::Ok},
                 {"result", OutcomeName(outcome.kind)}};
    if (!outcome.message.empty()) line["message"] = outcome.message;
    for (const auto& [key, value] : outcome.fields.items()) line[key] = value;
    context.emitLine(line, UtcNow() + " " + (outcome.kind == OutcomeKind::Ok ? outcome.text : outcome.message));
    context.after(std::chrono::seconds(*watchSeconds_), [this, &context] { Query(context); });
  }

  std::optional<int> watchSeconds_;
  std::string metricsFile_;
  bool asked_ = false;
  bool querying_ = false;
  int picture_ = 0;
  std::u16string label_;
  std::optional<std::pair<OutcomeKind, std::string>> failure_;
};

class LedCommand final : public Command {
 public:
  explicit LedCommand(bool on) : on_(on) {}
  int firstScreen() const override { return screens::kGeneralMenu; }
  void begin(CommandContext& context, const platform::Form&) override { context.click(controls::general_menu::kState); }
  void screenShown(CommandContext& context, const platform::Form& screen) override {
    if (screen.number() == screens::kState && !sent_) context.click(controls::state::kLedSetting);
    if (screen.number() == screens::kLedSetting && !sent_) {
      sent_ = true;
      context.check(on_ ? controls::led_setting::kOn : controls::led_setting::kOff);
      context.click(controls::led_setting::kDecide);
    }
  }
  bool messageBox(CommandContext& context, const platform::MessageBoxState& box) override {
    const std::string text = platform::ToUtf8(box.text);
    Outcome outcome;
    outcome.message = text;
    if (box.textId == led_text::kChanged) {
      outcome.fields = {{"led", on_ ? "on" : "off"}};
      outcome.text = std::string("LED display ") + (on_ ? "on" : "off");
    } else if (box.textId == led_text::kNoReply) {
      outcome.kind = OutcomeKind::TimedOut;
    } else {
      return false;
    }
    context.answer(true);
    context.report(std::move(outcome));
    return true;
  }

 private:
  bool on_;
  bool sent_ = false;
};

}  // namespace

std::unique_ptr<Command> MakeInfoCommand(const CommandRequest&) { return std::make_unique<InfoCommand>(); }
std::unique_ptr<Command> MakeSignalCommand(const CommandRequest& request) {
  return std::make_unique<SignalCommand>(request.watchSeconds, request.metricsFile);
}
std::unique_ptr<Command> MakeLedCommand(const CommandRequest& request) {
  return std::make_unique<LedCommand>(request.ledOn.value_or(true));
}

}  // namespace p42r::frontends
