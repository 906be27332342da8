#include "card/ManualCardClock.h"

namespace p42r::card {

// A fixed, arbitrary origin: tests must not depend on the host's uptime.
ManualCardClock::ManualCardClock() : now_(std::chrono::steady_clock::time_point() + std::chrono::hours(1)) {}

std::chrono::steady_clock::time_point ManualCardClock::now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

std::optional<std::chrono::milliseconds> ManualCardClock::realWaitFor(
    std::chrono::steady_clock::time_point deadline) const {
  if (deadline <= now()) {
    return std::chrono::milliseconds(0);
  }
  return std::nullopt;
}

void ManualCardClock::setWakeup(std::function<void()> wake) {
  std::lock_guard lock(mutex_);
  wake_ = std::move(wake);
}

void ManualCardClock::advance(std::chrono::steady_clock::duration step) {
  // The wakeup runs under the lock, so that setWakeup({}) returning means no
  // call to the old function is still in progress.
  std::lock_guard lock(mutex_);
  now_ += step;
  if (wake_) {
    wake_();
  }
}

}  // namespace p42r::card
