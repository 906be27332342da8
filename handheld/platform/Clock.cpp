#include "platform/Clock.h"

#include <thread>

namespace p42r::platform {

TimePoint SteadyClock::now() const { return std::chrono::steady_clock::now(); }

WallTime SteadyClock::wallNow() const { return std::chrono::system_clock::now(); }

void SteadyClock::sleepFor(Duration d) { std::this_thread::sleep_for(d); }

bool SteadyClock::waitFor(Duration d) { return waitUntil(now() + d, std::stop_token()); }

bool SteadyClock::waitUntil(TimePoint t, std::stop_token stop) {
  std::unique_lock lock(mutex_);
  const bool interrupted = stopped_.wait_until(lock, stop, t, [this] { return shutDown_; });
  return !interrupted && !stop.stop_requested();
}

void SteadyClock::shutdown() {
  {
    std::lock_guard lock(mutex_);
    shutDown_ = true;
  }
  stopped_.notify_all();
}

ManualClock::ManualClock(WallTime wallStart)
    : now_(TimePoint{} + std::chrono::hours(1)), start_(now_), wallStart_(wallStart) {}

TimePoint ManualClock::now() const {
  std::lock_guard lock(mutex_);
  return now_;
}

WallTime ManualClock::wallNow() const {
  std::lock_guard lock(mutex_);
  return wallStart_ + std::chrono::duration_cast<WallTime::duration>(now_ - start_);
}

bool ManualClock::waitFor(Duration d) {
  std::unique_lock lock(mutex_);
  const TimePoint deadline = now_ + d;
  lock.unlock();
  return waitUntil(deadline, std::stop_token());
}

bool ManualClock::waitUntil(TimePoint t, std::stop_token stop) {
  std::unique_lock lock(mutex_);
  if (shutDown_ || now_ >= t) return !shutDown_ && !stop.stop_requested();
  const auto waiter = waiters_.insert(t);
  lock.unlock();
  {
    std::lock_guard told(listenerMutex_);
    if (waiterListener_) waiterListener_();
  }
  lock.lock();
  moved_.wait(lock, stop, [&] { return shutDown_ || now_ >= t; });
  waiters_.erase(waiter);
  return !shutDown_ && !stop.stop_requested();
}

std::optional<TimePoint> ManualClock::nextWaiterDue() const {
  std::lock_guard lock(mutex_);
  if (waiters_.empty()) return std::nullopt;
  return *waiters_.begin();
}

void ManualClock::setWaiterListener(std::function<void()> listener) {
  std::lock_guard lock(listenerMutex_);
  waiterListener_ = std::move(listener);
}

void ManualClock::shutdown() {
  {
    std::lock_guard lock(mutex_);
    shutDown_ = true;
  }
  moved_.notify_all();
}

void ManualClock::advance(Duration d) {
  {
    std::lock_guard lock(mutex_);
    if (d.count() > 0) now_ += d;
  }
  moved_.notify_all();
  tellListener();
}

void ManualClock::advanceTo(TimePoint t) {
  {
    std::lock_guard lock(mutex_);
    if (t > now_) now_ = t;
  }
  moved_.notify_all();
  tellListener();
}

void ManualClock::setAdvanceListener(std::function<void()> listener) {
  std::lock_guard lock(listenerMutex_);
  listener_ = std::move(listener);
}

void ManualClock::tellListener() {
  std::lock_guard lock(listenerMutex_);
  if (listener_) listener_();
}

}  // namespace p42r::platform
