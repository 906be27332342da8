// What virtual time waits for besides the program's own queue: work outside
// the user-interface thread that the program would hear of, such as a card
// in this process answering, and the bytes on their way between them. Time
// that jumps only once all of it has settled never overtakes an answer,
// however slow the machine.
#pragma once

#include <functional>
#include <optional>

#include "platform/Clock.h"

namespace p42r::platform {

class Settling {
 public:
  virtual ~Settling() = default;

  virtual bool settled() const = 0;
  // The soonest point of the program's clock at which something outside
  // falls due; none when nothing is waiting for a time.
  virtual std::optional<TimePoint> nextDue() const = 0;
  // `then` runs once, on any thread, when everything has settled (at once
  // when it has); a later call replaces it, an empty one cancels.
  virtual void whenSettled(std::function<void()> then) = 0;
};

}  // namespace p42r::platform
