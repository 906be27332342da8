#include "testing/ScriptSession.h"

#include <stdexcept>

namespace p42r::testing {

ScriptSession::ScriptSession(const std::string& program, const std::string& deviceRoot, const std::string& scenario,
                             const std::vector<std::string>& extra) {
  std::vector<std::string> arguments = {"--ui=script", "--virtual-clock", "--device-root", deviceRoot, "/LOG"};
  if (!scenario.empty()) arguments.insert(arguments.end(), {"--sim=" + scenario, "--trace-card"});
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  process_ = std::make_unique<ProgramProcess>(program, arguments);
}

ScriptSession::Json ScriptSession::Command(const std::string& line) {
  process_->send(line);
  for (;;) {
    auto value = process_->next();
    if (!value) return Json{{"reply", "none"}};
    if (value->contains("reply")) return *value;
    events_.push_back(std::move(*value));
  }
}

std::optional<ScriptSession::Json> ScriptSession::Await(const Match& match) {
  for (;;) {
    for (; looked_ < events_.size(); ++looked_) {
      if (match(events_[looked_])) return events_[looked_++];
    }
    auto value = process_->next();
    if (!value) return std::nullopt;
    events_.push_back(std::move(*value));
  }
}

ScriptSession::Match ScriptSession::ControlEvent(int screen, int id, const std::string& property) {
  return [screen, id, property](const Json& v) {
    return v.value("event", "") == "control" && v["screen"] == screen && v["id"] == id && v["property"] == property;
  };
}

ScriptSession::Match ScriptSession::Event(const std::string& name) {
  return [name](const Json& v) { return v.value("event", "") == name; };
}

const ScriptSession::Json& ScriptSession::Control(const Json& dump, int id) {
  for (const auto& control : dump["controls"]) {
    if (control["id"] == id) return control;
  }
  throw std::runtime_error("no control " + std::to_string(id) + " in the dump");
}

std::optional<int> ScriptSession::AwaitExit() {
  if (!Await(Event("exit"))) return std::nullopt;
  return process_->wait();
}

bool ScriptSession::AwaitCardTrace(const std::string& text, std::size_t count) {
  return process_->awaitStandardError(text, count);
}

}  // namespace p42r::testing
