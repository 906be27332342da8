// Virtual time for a command run against the simulated card: each time the
// program is idle (its loop has nothing left to do) and everything outside
// it has settled (the card in this process has answered what it was sent
// and its answers have been read), the program's clock (and the card's,
// which follows it) moves on to the next point at which anything falls due:
// the program's next timer, the card's next delay, another thread's wait.
// With nothing due, time stands still until something happens. A
// ten-minute time-out takes no real time, and no answer is overtaken,
// however slow the machine.
#pragma once

#include <optional>

#include "platform/EventLoop.h"
#include "platform/Settling.h"

namespace p42r::frontends {

class VirtualTimePacer {
 public:
  explicit VirtualTimePacer(platform::EventLoop& loop) : loop_(loop) {}
  ~VirtualTimePacer() { stop(); }
  VirtualTimePacer(const VirtualTimePacer&) = delete;
  VirtualTimePacer& operator=(const VirtualTimePacer&) = delete;

  // What goes on outside the loop that time waits for; none: only the loop.
  void follow(platform::Settling* outside) { outside_ = outside; }
  // Begins moving time (the loop's clock must be a manual one).
  void start();
  // No more moves (the run is over).
  void stop();

 private:
  // The loop is idle: true when it has more to do (time moved, or work came in).
  bool idle();
  std::optional<platform::Duration> stepToNextDue() const;

  platform::EventLoop& loop_;
  platform::ManualClock* clock_ = nullptr;
  platform::Settling* outside_ = nullptr;
  bool started_ = false;
};

}  // namespace p42r::frontends
