// Timers that fail when a test says so: in front of the loop's own, the
// next set or kill fails once with a chosen last error, as the system's
// can; every other call goes through. User-interface thread only, as timers are.
#pragma once

#include <optional>
#include <utility>

#include "platform/LastError.h"
#include "platform/Timers.h"

namespace p42r::testing {

class FaultyTimers final : public platform::Timers {
 public:
  explicit FaultyTimers(platform::Timers& inner) : inner_(inner) {}

  void failNextSet(std::uint32_t lastError) { failSet_ = lastError; }
  void failNextKill(std::uint32_t lastError) { failKill_ = lastError; }

  bool setTimer(platform::WindowHandle window, platform::TimerId id, platform::Duration period) override {
    return !fails(failSet_) && inner_.setTimer(window, id, period);
  }
  bool killTimer(platform::WindowHandle window, platform::TimerId id) override {
    return !fails(failKill_) && inner_.killTimer(window, id);
  }

 private:
  static bool fails(std::optional<std::uint32_t>& failure) {
    if (!failure) return false;
    platform::SetLastError(*std::exchange(failure, std::nullopt));
    return true;
  }

  platform::Timers& inner_;
  std::optional<std::uint32_t> failSet_;
  std::optional<std::uint32_t> failKill_;
};

}  // namespace p42r::testing
