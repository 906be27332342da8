// The card's timers: actions due at points of the card clock. Delayed
// replies, update notices, keep-alives and unplug timers all live here, in
// groups that can be cancelled together. Actions run in due order, and in the
// order they were scheduled when they are due at the same point.
#pragma once

#include "card/CardClock.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>

namespace p42r::card {

enum class TimerGroup {
  Reply,
  Update,
  Writing,
  Unplug,
  Noise,
};

class Scheduler {
public:
  using TimePoint = std::chrono::steady_clock::time_point;
  using Action = std::function<void()>;

  explicit Scheduler(const CardClock& clock) : clock_(clock) {}

  TimePoint now() const { return clock_.now(); }

  void at(TimePoint due, TimerGroup group, Action action);
  void after(std::chrono::milliseconds delay, TimerGroup group, Action action);

  void cancel(TimerGroup group);
  void cancelAll();

  // Runs every action due at the clock's present time, including those that
  // running actions schedule for a point that has already come. Returns how
  // many ran.
  std::size_t runDue();

  std::optional<TimePoint> nextDue() const;
  std::size_t pending(TimerGroup group) const;
  std::size_t pending() const { return timers_.size(); }

private:
  struct Timer {
    TimerGroup group;
    Action action;
  };
  using Key = std::pair<TimePoint, std::uint64_t>;

  const CardClock& clock_;
  std::map<Key, Timer> timers_;
  std::uint64_t nextSequence_ = 0;
};

}  // namespace p42r::card
