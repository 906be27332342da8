// A card clock that moves only when advance() is called, for tests and for
// running the card on a virtual clock. Thread-safe: any thread may advance it
// while the service thread reads it; every move calls the registered wakeup.
#pragma once

#include "card/CardClock.h"

#include <mutex>

namespace p42r::card {

class ManualCardClock final : public CardClock {
public:
  ManualCardClock();

  std::chrono::steady_clock::time_point now() const override;
  // Real time never brings a deadline closer: block until woken.
  std::optional<std::chrono::milliseconds> realWaitFor(
      std::chrono::steady_clock::time_point deadline) const override;
  void setWakeup(std::function<void()> wake) override;

  void advance(std::chrono::steady_clock::duration step);

private:
  mutable std::mutex mutex_;
  std::chrono::steady_clock::time_point now_;
  std::function<void()> wake_;
};

}  // namespace p42r::card
