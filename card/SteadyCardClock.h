// The real clock of the card: std::chrono::steady_clock. Its time moves by
// itself, so the service thread simply sleeps until the next deadline and
// never needs a wakeup.
#pragma once

#include "card/CardClock.h"

namespace p42r::card {

class SteadyCardClock final : public CardClock {
public:
  std::chrono::steady_clock::time_point now() const override;
  // The time left until `deadline`, rounded up to whole milliseconds so that
  // the waiter never wakes a fraction too early and spins.
  std::optional<std::chrono::milliseconds> realWaitFor(
      std::chrono::steady_clock::time_point deadline) const override;
  void setWakeup(std::function<void()> wake) override;
};

}  // namespace p42r::card
