#include "frontends/commands/VirtualTimePacer.h"

#include <algorithm>

namespace p42r::frontends {

void VirtualTimePacer::start() {
  clock_ = dynamic_cast<platform::ManualClock*>(&loop_.clock());
  if (clock_ == nullptr) return;
  started_ = true;
  // A thread that begins to wait on the clock brings a deadline the idle
  // loop must look at; the empty task only wakes it.
  clock_->setWaiterListener([&loop = loop_] { loop.postTask([] {}); });
  loop_.setIdleTask([this] { return idle(); });
}

void VirtualTimePacer::stop() {
  if (!started_) return;
  started_ = false;
  loop_.setIdleTask(nullptr);
  clock_->setWaiterListener(nullptr);
  if (outside_) outside_->whenSettled(nullptr);
}

bool VirtualTimePacer::idle() {
  if (outside_ && !outside_->settled()) {
    // Look again once it has: the empty task wakes the waiting loop (which
    // outlives this pacer, whose stop may cross a callback under way).
    outside_->whenSettled([&loop = loop_] { loop.postTask([] {}); });
    return false;
  }
  // The reader posts what it read before the link counts as settled, so a
  // post seen now may be the answer itself, come in while the loop turned
  // idle: it is handled first, and may end the wait this step would cut.
  if (loop_.hasPosted()) return true;
  const auto step = stepToNextDue();
  if (!step) return false;
  // Moved here and now, not queued: a later move would be aimed at a timer
  // the program may have set again by then.
  clock_->advanceTo(clock_->now() + *step);
  return true;
}

std::optional<platform::Duration> VirtualTimePacer::stepToNextDue() const {
  std::optional<platform::TimePoint> next = loop_.nextTimerDue();
  const auto sooner = [&next](std::optional<platform::TimePoint> due) {
    if (due && (!next || *due < *next)) next = due;
  };
  if (outside_) sooner(outside_->nextDue());
  sooner(clock_->nextWaiterDue());
  if (!next) return std::nullopt;
  const auto gap = std::chrono::ceil<platform::Duration>(*next - clock_->now());
  return std::max(gap, platform::Duration(1));
}

}  // namespace p42r::frontends
