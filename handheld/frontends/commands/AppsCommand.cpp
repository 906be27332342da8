// apps: the application list screen read once it has loaded, and its start
// or stop button tapped for the named row.
#include "frontends/commands/Commands.h"
#include "platform/TextConversion.h"
#include "resources/StringTable.h"

namespace p42r::frontends {

using json = nlohmann::ordered_json;

namespace {

constexpr std::size_t kStateColumn = 0;
constexpr std::size_t kNameColumn = 1;
using namespace resources::strings::applications;

class AppsCommand final : public Command {
 public:
  AppsCommand(AppsAction action, std::string name) : action_(action), name_(std::move(name)) {}
  int firstScreen() const override { return screens::kApplications; }
  void begin(CommandContext&, const platform::Form&) override {}

  void controlChanged(CommandContext& context, const platform::Form& screen, const platform::Control& control,
                      platform::ControlProperty property) override {
    // Back is usable again: the screen has finished talking to the card.
    if (screen.number() != screens::kApplications || control.id() != controls::applications::kBack ||
        property != platform::ControlProperty::Enabled || !control.isEnabled()) {
      return;
    }
    const platform::Control* list = screen.control(controls::applications::kList);
    if (list == nullptr) return;
    if (action_ == AppsAction::List || acted_) {
      Report(context, *list);
      return;
    }
    Act(context, *list);
  }

  bool messageBox(CommandContext& context, const platform::MessageBoxState& box) override {
    const std::string text = platform::ToUtf8(box.text);
    if (box.textId == kLaunchQuestion || box.textId == kTerminateQuestion) {
      context.answer(true);
      return true;
    }
    if (box.textId == kNoReply || box.textId == kStatusUnavailable) {
      Outcome outcome;
      outcome.kind = box.textId == kNoReply ? OutcomeKind::TimedOut : OutcomeKind::Refused;
      outcome.message = text;
      context.answer(true);
      context.report(std::move(outcome));
      return true;
    }
    if (!acted_) return false;
    // The action's result; the list is read again once the screen is idle.
    result_ = text;
    refused_ = box.textId == kLaunchFailed || box.textId == kTerminateFailed;
    context.answer(true);
    return true;
  }

 private:
  void Act(CommandContext& context, const platform::Control& list) {
    const auto& rows = list.rows();
    for (std::size_t row = 0; row < rows.size(); ++row) {
      if (rows[row].size() <= kNameColumn || platform::ToUtf8(rows[row][kNameColumn]) != name_) continue;
      acted_ = true;
      context.select(controls::applications::kList, static_cast<int>(row));
      context.click(action_ == AppsAction::Start ? controls::applications::kLaunch
                                                 : controls::applications::kTerminate);
      return;
    }
    Outcome outcome;
    outcome.kind = OutcomeKind::Usage;
    outcome.message = "the card has no application named '" + name_ + "' (p42r apps lists them)";
    context.report(std::move(outcome));
  }

  void Report(CommandContext& context, const platform::Control& list) {
    Outcome outcome;
    json apps = json::array();
    for (const auto& row : list.rows()) {
      if (row.size() <= kNameColumn) continue;
      const bool running = row[kStateColumn] == resources::LoadString(kRunning);
      const std::string name = platform::ToUtf8(row[kNameColumn]);
      apps.push_back({{"name", name}, {"running", running}});
      outcome.text += (outcome.text.empty() ? "" : "\n") + name + (running ? "\trunning" : "\tstopped");
    }
    outcome.fields["applications"] = std::move(apps);
    if (acted_) {
      outcome.message = result_;
      outcome.text = result_ + (outcome.text.empty() ? "" : "\n" + outcome.text);
      if (refused_) outcome.kind = OutcomeKind::Refused;
    }
    context.report(std::move(outcome));
  }

  AppsAction action_;
  std::string name_;
  bool acted_ = false;
  bool refused_ = false;
  std::string result_;
};

}  // namespace

std::unique_ptr<Command> MakeAppsCommand(const CommandRequest& request) {
  return std::make_unique<AppsCommand>(request.appsAction, request.appName);
}

}  // namespace p42r::frontends
