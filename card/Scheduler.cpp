#include "card/Scheduler.h"

namespace p42r::card {

void Scheduler::at(TimePoint due, TimerGroup group, Action action) {
  timers_.emplace(Key{due, nextSequence_++}, Timer{group, std::move(action)});
}

void Scheduler::after(std::chrono::milliseconds delay, TimerGroup group, Action action) {
  at(now() + delay, group, std::move(action));
}

void Scheduler::cancel(TimerGroup group) {
  std::erase_if(timers_, [group](const auto& entry) { return entry.second.group == group; });
}

void Scheduler::cancelAll() { timers_.clear(); }

std::size_t Scheduler::runDue() {
  const TimePoint present = now();
  std::size_t ran = 0;
  // Take one timer at a time: an action may cancel or add others.
  while (!timers_.empty() && timers_.begin()->first.first <= present) {
    Action action = std::move(timers_.begin()->second.action);
    timers_.erase(timers_.begin());
    action();
    ++ran;
  }
  return ran;
}

std::optional<Scheduler::TimePoint> Scheduler::nextDue() const {
  if (timers_.empty()) {
    return std::nullopt;
  }
  return timers_.begin()->first.first;
}

std::size_t Scheduler::pending(TimerGroup group) const {
  std::size_t count = 0;
  for (const auto& [key, timer] : timers_) {
    if (timer.group == group) {
      ++count;
    }
  }
  return count;
}

}  // namespace p42r::card
