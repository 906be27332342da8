// The clock behind every delay of the simulated card. Delayed replies, update
// notices, keep-alives and unplug timers are all due at points of this clock,
// so a test (or the handheld's own virtual clock) can move the card's time by
// hand while the real program follows the steady clock.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace p42r::card {

class CardClock {
public:
  virtual ~CardClock() = default;

  virtual std::chrono::steady_clock::time_point now() const = 0;

  // Real time the service thread may block before it looks at the clock again
  // for `deadline`; nullopt = block until woken.
  virtual std::optional<std::chrono::milliseconds> realWaitFor(
      std::chrono::steady_clock::time_point deadline) const = 0;

  // A manual clock calls wake() from any thread when its time moves. An empty
  // function unregisters; once setWakeup returns, the previous function is not
  // called any more.
  virtual void setWakeup(std::function<void()> wake) = 0;
};

}  // namespace p42r::card
