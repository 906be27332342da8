// The clock behind every timer and every sleep of the handheld program.
// SteadyClock is real time; ManualClock is virtual time that tests and the
// script frontend move by hand, so nothing ever waits for real.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>

namespace p42r::platform {

using Duration = std::chrono::milliseconds;
using TimePoint = std::chrono::steady_clock::time_point;
using WallTime = std::chrono::system_clock::time_point;

class Clock {
 public:
  virtual ~Clock() = default;

  virtual TimePoint now() const = 0;

  // Local wall time, for log lines.
  virtual WallTime wallNow() const = 0;

  // The user-interface thread blocks for `d` (the platform's Sleep). A manual
  // clock lets the time pass at once: the sleeping thread is the one that
  // drives virtual time, so nobody else could move it.
  virtual void sleepFor(Duration d) = 0;

  // A background thread waits until `d` has passed on this clock. Returns false
  // when the clock was shut down first (the program is ending).
  virtual bool waitFor(Duration d) = 0;
  // A background thread waits until this clock reads `t` or later; false when
  // the clock was shut down or `stop` was requested first, so a worker that
  // is told to end need not sleep out its period. A worker that keeps to a
  // schedule this way stays on it however late it gets to wait.
  virtual bool waitUntil(TimePoint t, std::stop_token stop) = 0;

  // Ends every present and future waitFor at once.
  virtual void shutdown() = 0;

  // True when time moves only by hand.
  virtual bool isManual() const = 0;
};

class SteadyClock final : public Clock {
 public:
  TimePoint now() const override;
  WallTime wallNow() const override;
  void sleepFor(Duration d) override;
  bool waitFor(Duration d) override;
  bool waitUntil(TimePoint t, std::stop_token stop) override;
  void shutdown() override;
  bool isManual() const override { return false; }

 private:
  std::mutex mutex_;
  std::condition_variable_any stopped_;
  bool shutDown_ = false;
};

class ManualClock final : public Clock {
 public:
  // Starts at an arbitrary fixed point; `wallStart` is the wall time shown then.
  explicit ManualClock(WallTime wallStart = WallTime{});

  TimePoint now() const override;
  WallTime wallNow() const override;
  void sleepFor(Duration d) override { advance(d); }
  bool waitFor(Duration d) override;
  bool waitUntil(TimePoint t, std::stop_token stop) override;
  void shutdown() override;
  bool isManual() const override { return true; }

  // Moves the time forward (never back) and wakes the waiters whose time came.
  void advance(Duration d);
  void advanceTo(TimePoint t);

  // Told (on the advancing thread, outside the clock's lock) each time the
  // time moves, so others that follow this clock can look again.
  void setAdvanceListener(std::function<void()> listener);

  // The soonest time another thread is waiting for (waitFor, waitUntil).
  std::optional<TimePoint> nextWaiterDue() const;
  // Told (on the waiting thread) each time a thread begins to wait, so
  // whoever moves the clock learns of the new deadline.
  void setWaiterListener(std::function<void()> listener);

 private:
  void tellListener();

  mutable std::mutex mutex_;
  std::condition_variable_any moved_;
  TimePoint now_;
  TimePoint start_;
  WallTime wallStart_;
  bool shutDown_ = false;
  std::multiset<TimePoint> waiters_;
  std::mutex listenerMutex_;
  std::function<void()> listener_;
  std::function<void()> waiterListener_;
};

}  // namespace p42r::platform
