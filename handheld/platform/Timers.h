// A window's timers as a screen sets and kills them. The event loop is the
// real one; a test may put a failing one in front of it.
#pragma once

#include <cstdint>

#include "platform/Clock.h"
#include "platform/Message.h"

namespace p42r::platform {

using TimerId = std::uint32_t;

class Timers {
 public:
  // SetTimer: (re)arms timer `id` of `window`; re-arming replaces the countdown.
  virtual bool setTimer(WindowHandle window, TimerId id, Duration period) = 0;
  // KillTimer: false when there was no such timer (last error ERROR_SUCCESS)
  // or the system could not kill it (its last error).
  virtual bool killTimer(WindowHandle window, TimerId id) = 0;

 protected:
  ~Timers() = default;
};

}  // namespace p42r::platform
