#include "card/SteadyCardClock.h"

namespace p42r::card {

std::chrono::steady_clock::time_point SteadyCardClock::now() const {
  return std::chrono::steady_clock::now();
}

std::optional<std::chrono::milliseconds> SteadyCardClock::realWaitFor(
    std::chrono::steady_clock::time_point deadline) const {
  const auto left = deadline - now();
  if (left <= std::chrono::steady_clock::duration::zero()) {
    return std::chrono::milliseconds(0);
  }
  return std::chrono::ceil<std::chrono::milliseconds>(left);
}

void SteadyCardClock::setWakeup(std::function<void()> /*wake*/) {}

}  // namespace p42r::card
