#include "reliability/SoakLane.h"

#include <signal.h>

#include <array>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "card/BuiltinScenarios.h"

namespace p42r::reliability {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// What the walk types into fields: the common administrator password, one of
// its own, nothing, too much, and text the code page has to carry.
constexpr std::array<std::string_view, 6> kTypedTexts = {
    "j72n", "soak4242", "", "12345678901234567890123456789", "パスワード", "SOAK",
};
// How far the walk moves the program's clock: mostly a little, now and then
// past every watchdog.
constexpr std::array<int, 6> kAdvanceMs = {100, 500, 1000, 3000, 6000, 600000};
constexpr std::string_view kExitText = "終了";

bool Usable(const testing::ProgramProcess::Json& control) {
  return control.value("visible", false) && control.value("enabled", false);
}

}  // namespace

SoakLane::SoakLane(LaneSettings lane, const SoakSettings& soak)
    : lane_(std::move(lane)), soak_(soak), random_(lane_.seed) {
  deviceRoot_ = soak_.workDirectory / lane_.name;
  fs::create_directories(deviceRoot_);
}

SoakLane::~SoakLane() = default;

void SoakLane::Problem(const std::string& what) {
  result_.problems.push_back("run " + std::to_string(run_.load()) + ": " + what);
}

bool SoakLane::StartCard() {
  const card::BuiltinScenario* builtin = card::findBuiltinScenario(lane_.scenario);
  if (builtin == nullptr) throw std::runtime_error("no built-in scenario " + lane_.scenario);
  Json scenario = Json::parse(builtin->json);
  scenario["hostile"]["seed"] = lane_.seed;
  const fs::path file = soak_.workDirectory / (lane_.name + "-card.json");
  std::ofstream(file) << scenario.dump(2) << "\n";
  card_ = std::make_unique<testing::ProgramProcess>(
      soak_.card, std::vector<std::string>{"--device-root", deviceRoot_.string(), "--scenario", file.string()});
  // The card says where it is plugged in once it is ready.
  return card_->next(10s).has_value();
}

void SoakLane::Run() {
  if (!StartCard()) {
    Problem("the card did not start: " + card_->standardError());
    ++result_.crashes;
    return;
  }
  while (SoakClock::now() < soak_.end) RunOnce();
}

void SoakLane::RunOnce() {
  ++run_;
  ++result_.runs;
  // Now and then the handheld forgets its management file (a locked one too)
  // and the next copy starts from a new one.
  std::error_code ignored;
  if (Below(3) == 0) fs::remove(deviceRoot_ / "Program Files" / "P42R" / "mng2dat.ini", ignored);
  testing::ProgramProcess program(soak_.program, {"--ui=script", "--virtual-clock", "--device-root",
                                                  deviceRoot_.string(), "--entry=" + lane_.entry});
  pid_ = program.pid();
  bool running = true;
  while (running && SoakClock::now() < soak_.end) running = Step(program);
  if (running) CloseAtTheEnd(program);
  pid_ = 0;
}

void SoakLane::NoteScreens(testing::ProgramProcess& program) {
  for (const Json& event : program.skipped()) {
    // Lines that are not the protocol's (a debugger's, say) are passed over.
    if (!event.is_object()) continue;
    if (event.value("event", "") == "screen" && event.contains("screen")) {
      result_.screens.insert(event["screen"].get<int>());
    }
  }
  program.forget();
}

bool SoakLane::Step(testing::ProgramProcess& program) {
  program.standardError();  // keeps its pipe from filling
  const auto dump = program.command("dump", soak_.replyDeadline);
  NoteScreens(program);
  if (!dump) {
    Finish(program, "no answer to dump after " + lastCommand_);
    return false;
  }
  ++result_.steps;
  if (!dump->is_object() || dump->value("reply", "") != "ok") return true;
  if (dump->contains("screen") && (*dump)["screen"].is_number_integer()) {
    result_.screens.insert((*dump)["screen"].get<int>());
  }
  lastCommand_ = ChooseAction(*dump);
  const auto reply = program.command(lastCommand_, soak_.replyDeadline);
  NoteScreens(program);
  if (!reply) {
    Finish(program, "no answer to " + lastCommand_);
    return false;
  }
  // The card's answers come in real time; give them a moment.
  std::this_thread::sleep_for(std::chrono::milliseconds(10 + Below(70)));
  return true;
}

std::string SoakLane::ChooseAction(const Json& dump) {
  if (dump.contains("msgbox") && dump["msgbox"].is_object()) {
    const bool canCancel = dump["msgbox"].value("buttons", "") == "okcancel";
    return canCancel && Below(4) == 0 ? "answer cancel" : "answer ok";
  }
  if (dump.contains("dialog") && dump["dialog"].is_object()) return "answer ok";

  std::vector<int> buttons, exits, edits;
  std::vector<std::pair<int, std::size_t>> lists;
  if (dump.contains("controls") && dump["controls"].is_array()) {
    for (const Json& control : dump["controls"]) {
      if (!Usable(control)) continue;
      const std::string kind = control.value("kind", "");
      const int id = control.value("id", 0);
      if (kind == "button" || kind == "radio") {
        (control.value("text", "") == kExitText ? exits : buttons).push_back(id);
      } else if (kind == "edit") {
        edits.push_back(id);
      } else if (kind == "list" && control.contains("rows") && control["rows"].is_array() &&
                 !control["rows"].empty()) {
        lists.emplace_back(id, control["rows"].size());
      }
    }
  }
  const std::size_t dice = Below(100);
  if (dice < 50) {
    // The exit buttons are pressed rarely, so that the walk gets deep.
    if (lane_.mayExit && !exits.empty() && (buttons.empty() || Below(12) == 0)) {
      return "click " + std::to_string(exits[Below(exits.size())]);
    }
    if (!buttons.empty()) return "click " + std::to_string(buttons[Below(buttons.size())]);
  } else if (dice < 62 && !edits.empty()) {
    return "type " + std::to_string(edits[Below(edits.size())]) + " " +
           std::string(kTypedTexts[Below(kTypedTexts.size())]);
  } else if (dice < 72 && !lists.empty()) {
    const auto& [id, rows] = lists[Below(lists.size())];
    return "select " + std::to_string(id) + " " + std::to_string(Below(rows));
  }
  const std::size_t step = Below(100) < 97 ? Below(kAdvanceMs.size() - 1) : kAdvanceMs.size() - 1;
  return "advance " + std::to_string(kAdvanceMs[step]);
}

void SoakLane::Finish(testing::ProgramProcess& program, const std::string& hangDetail) {
  auto code = program.wait(5s);
  const bool hung = !code;
  if (hung) {
    ++result_.hangs;
    Problem("hang: " + hangDetail);
    ::kill(program.pid(), SIGKILL);
    code = program.wait(10s);
  }
  if (const auto peak = program.peakResidentKb()) result_.peakResidentKb = std::max(result_.peakResidentKb, *peak);
  if (hung || !code) return;
  // Everything the copy wrote to standard error over its life.
  program.standardError();
  const std::string& errors = program.errorsSeen();
  const bool reported = errors.find("Sanitizer") != std::string::npos ||
                        errors.find("runtime error") != std::string::npos ||
                        errors.find("terminate called") != std::string::npos;
  if (*code >= 128 || reported) {
    ++result_.crashes;
    Problem("crash: exit " + std::to_string(*code) + " after " + lastCommand_ + "; standard error: " +
            errors.substr(errors.size() > 2000 ? errors.size() - 2000 : 0));
    return;
  }
  ++result_.exitCodes[*code];
}

void SoakLane::CloseAtTheEnd(testing::ProgramProcess& program) {
  program.send("close");
  for (int i = 0; i < 15; ++i) {
    if (program.wait(1s)) {
      Finish(program, "");
      return;
    }
    // A question or a warning may stand in the way of the close.
    program.send("answer ok");
    program.send("close");
  }
  Finish(program, "the program did not end after close");
}

}  // namespace p42r::reliability
