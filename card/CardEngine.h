// The simulated card's protocol engine: bytes in, bytes out, timers on the
// card clock. It echoes what it receives while echo is on, cuts the bytes
// into command lines, applies the scenario's silences, refusals and unplug
// triggers, and hands each command to its handler. No I/O and no threads:
// the transport feeds it and writes what it produces.
#pragma once

#include "card/CardClock.h"
#include "card/CardControl.h"
#include "card/CardState.h"
#include "card/CommandHandlers.h"
#include "card/CommandParser.h"
#include "card/Hostility.h"
#include "card/ReplyWriter.h"
#include "card/Scenario.h"
#include "card/Scheduler.h"
#include "card/UpdateRun.h"

#include <optional>
#include <string>
#include <string_view>

namespace p42r::card {

class CardEngine {
public:
  CardEngine(Scenario scenario, const CardClock& clock);
  CardEngine(const CardEngine&) = delete;
  CardEngine& operator=(const CardEngine&) = delete;

  // The card is in its slot: timers that count from plugging in start now.
  void plugIn();

  // Bytes from the host. Timers that are due run first.
  void receive(std::string_view bytes);
  // Runs the timers due at the clock's present time.
  void runDue();
  std::optional<Scheduler::TimePoint> nextDeadline() const { return scheduler_.nextDue(); }

  // The bytes to send, produced since the last call.
  std::string takeOutput() { return writer_.take(); }

  // The card is to be pulled out (by its scenario or by requestUnplug).
  bool unplugRequested() const { return state_.unplugRequested; }
  void requestUnplug() { control_.unplug(); }

  const CardState& state() const { return state_; }
  const Scenario& scenario() const { return scenario_; }

private:
  void execute(const CommandLine& line);
  void remember(const std::string& text);
  const ReplyOverride* findOverride(std::string_view text) const;
  void scheduleNoise();

  Scenario scenario_;
  CardState state_;
  Scheduler scheduler_;
  ReplyWriter writer_;
  CardControl control_;
  UpdateRun update_;
  CommandHandlers handlers_;
  CommandParser parser_;
  Hostility hostility_;
  bool pluggedIn_ = false;
};

// Whether `text` begins with `prefix`, letter case aside.
bool commandBeginsWith(std::string_view text, std::string_view prefix);

}  // namespace p42r::card
