// Virtual time for a command run against the simulated card: when the
// program has been quiet for a while in real time, the program's clock (and
// the card's, which follows it) moves on, in steps that double while
// nothing happens and never jump over the program's next timer, so a
// ten-minute time-out takes a second. What the screens do counts as
// activity and starts the steps small again.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/EventLoop.h"

namespace p42r::frontends {

class VirtualTimePacer {
 public:
  explicit VirtualTimePacer(platform::EventLoop& loop) : loop_(loop) {}

  // Begins stepping (the loop's clock must be a manual one).
  void start();
  // No more steps (the run is over).
  void stop() { stopped_ = true; }
  // Something happened on a screen.
  void noteActivity() { ++activity_; }

 private:
  void schedule();
  void step();

  platform::EventLoop& loop_;
  std::uint64_t activity_ = 0;
  std::uint64_t activitySeen_ = 0;
  std::chrono::milliseconds nextStep_{1000};
  bool advancing_ = false;
  bool stopped_ = false;
};

}  // namespace p42r::frontends
