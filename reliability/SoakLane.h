// One lane of the hostile soak: a device root with a hostile simulated card
// of its own (p42r-card) and the real program p42r in script mode, driven by
// a seeded random walk over whatever the screen offers (buttons, fields,
// lists, message boxes, the passing of time) until the soak's end. When the
// program ends, the next copy starts. Every command has a deadline: a reply
// that does not come in time is a hang, and the copy is killed.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "testing/ProgramProcess.h"

namespace p42r::reliability {

using SoakClock = std::chrono::steady_clock;

struct SoakSettings {
  std::string program;  // p42r
  std::string card;     // p42r-card
  std::filesystem::path workDirectory;
  std::chrono::milliseconds replyDeadline{20000};
  SoakClock::time_point end;
};

struct LaneSettings {
  std::string name;
  std::string entry;     // --entry of p42r
  std::string scenario;  // a built-in scenario of the card
  bool mayExit = true;   // whether the walk may press the exit buttons
  std::uint64_t seed = 1;
};

struct LaneResult {
  int runs = 0;
  long steps = 0;
  int crashes = 0;
  int hangs = 0;
  std::map<int, int> exitCodes;  // normal ends, by code
  std::set<int> screens;         // every screen that was shown
  long peakResidentKb = 0;       // the most any copy held
  std::vector<std::string> problems;  // what each crash or hang was
};

class SoakLane {
 public:
  SoakLane(LaneSettings lane, const SoakSettings& soak);
  ~SoakLane();
  SoakLane(const SoakLane&) = delete;
  SoakLane& operator=(const SoakLane&) = delete;

  // Runs copies of the program until the soak's end.
  void Run();

  // The running copy's process id (0 between copies) and its number.
  pid_t CurrentPid() const { return pid_.load(); }
  int CurrentRun() const { return run_.load(); }
  const LaneSettings& settings() const { return lane_; }
  const LaneResult& result() const { return result_; }

 private:
  using Json = testing::ProgramProcess::Json;

  bool StartCard();
  // One copy of the program, from its start to its end (or the soak's).
  void RunOnce();
  // One step of the walk; false once the copy has ended or was given up.
  bool Step(testing::ProgramProcess& program);
  std::string ChooseAction(const Json& dump);
  // The copy is over: its exit code, or a crash or hang.
  void Finish(testing::ProgramProcess& program, const std::string& hangDetail);
  void CloseAtTheEnd(testing::ProgramProcess& program);
  void NoteScreens(testing::ProgramProcess& program);
  void Problem(const std::string& what);
  std::size_t Below(std::size_t bound) { return bound == 0 ? 0 : static_cast<std::size_t>(random_() % bound); }

  LaneSettings lane_;
  const SoakSettings& soak_;
  std::filesystem::path deviceRoot_;
  std::unique_ptr<testing::ProgramProcess> card_;
  std::mt19937_64 random_;
  std::atomic<pid_t> pid_{0};
  std::atomic<int> run_{0};
  std::string lastCommand_;
  LaneResult result_;
};

}  // namespace p42r::reliability
