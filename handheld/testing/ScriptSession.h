// A conversation with p42r in script mode on virtual time with the embedded
// simulated card: commands with their replies, and every event kept in
// order, so a test can wait for the next event of a kind wherever it
// arrived (before a command's reply or after it).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "testing/ProgramProcess.h"

namespace p42r::testing {

class ScriptSession {
 public:
  using Json = ProgramProcess::Json;
  using Match = std::function<bool(const Json&)>;

  // p42r --ui=script --virtual-clock --device-root ROOT /LOG --sim=SCENARIO
  // --trace-card, plus `extra`. With no scenario, no --sim: the card is the
  // one already plugged into ROOT.
  ScriptSession(const std::string& program, const std::string& deviceRoot, const std::string& scenario,
                const std::vector<std::string>& extra = {});

  // Sends a command; the events that come before its reply are kept.
  // A program that does not answer gives {"reply":"none"}.
  Json Command(const std::string& line);
  // The next event after the last one found that satisfies `match`.
  std::optional<Json> Await(const Match& match);
  // Skips every event read so far.
  void SkipSeen() { looked_ = events_.size(); }
  // Looks again from event `index` on (see Seen()).
  void LookFrom(std::size_t index) { looked_ = index; }
  // Where the next Await starts looking: one past the last event it found.
  std::size_t Looked() const { return looked_; }

  // A `control` event of screen `screen`, control `id`, property `property`.
  static Match ControlEvent(int screen, int id, const std::string& property);
  static Match Event(const std::string& name);
  // The control `id` of a `dump` reply; throws when it is not there.
  static const Json& Control(const Json& dump, int id);

  // The program's exit event and code (0 expected by most tests).
  std::optional<int> AwaitExit();
  // Waits until the card's trace on standard error holds `text` `count` times.
  bool AwaitCardTrace(const std::string& text, std::size_t count = 1);

  const std::vector<Json>& Seen() const { return events_; }
  ProgramProcess& process() { return *process_; }

 private:
  std::unique_ptr<ProgramProcess> process_;
  std::vector<Json> events_;
  std::size_t looked_ = 0;
};

}  // namespace p42r::testing
