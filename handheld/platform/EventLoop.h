// The user-interface thread's message loop: posted messages to windows,
// per-window timers, nested modal loops and quit.
//
// Any thread may post; everything else belongs to the user-interface thread.
// Timers run on the injected Clock; with a manual clock they fire only when
// virtual time is advanced (advance()), in due order, with the messages they
// cause delivered in between. Real-time alarms serve the frontends' own
// deadlines, which are real even when the program's clock is not.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <variant>
#include <vector>

#include "platform/Clock.h"
#include "platform/Message.h"
#include "platform/Timers.h"

namespace p42r::platform {

using AlarmId = std::uint64_t;

// Another event loop that must keep running while this one has nothing to do
// (a window toolkit's): the loop waits inside it instead of on its own queue.
class ForeignLoop {
 public:
  virtual ~ForeignLoop() = default;
  // User-interface thread: handles the foreign loop's events, blocking until
  // some came, `deadline` passed or wake() was called. A wake() that came
  // before the call makes it return at once.
  virtual void waitAndHandle(std::optional<std::chrono::steady_clock::time_point> deadline) = 0;
  // Any thread: makes the current or next waitAndHandle return.
  virtual void wake() = 0;
};

class EventLoop final : public Timers {
 public:
  static constexpr std::chrono::milliseconds kForeignTurn{50};

  using Dispatcher = std::function<void(Message&)>;
  using Task = std::function<void()>;

  explicit EventLoop(Clock& clock);
  EventLoop(const EventLoop&) = delete;
  EventLoop& operator=(const EventLoop&) = delete;

  Clock& clock() { return clock_; }

  // Where delivered messages go (the window system).
  void setDispatcher(Dispatcher dispatcher);
  // Joins a foreign loop (nullptr: none); set before other threads post.
  // While this loop is busy, the foreign one still gets a turn (without
  // waiting) every kForeignTurn, so a window keeps painting and taking input.
  void setForeignLoop(ForeignLoop* foreign) { foreign_.store(foreign); }

  // --- any thread ---
  void post(Message message);
  void postTask(Task task);  // runs on the user-interface thread, in order with messages

  // --- user-interface thread ---
  bool setTimer(WindowHandle window, TimerId id, Duration period) override;
  bool killTimer(WindowHandle window, TimerId id) override;
  void killTimersOf(WindowHandle window);
  bool hasTimer(WindowHandle window, TimerId id) const;
  std::optional<TimePoint> nextTimerDue() const;

  AlarmId addRealTimeAlarm(std::chrono::steady_clock::time_point when, Task task);
  void cancelRealTimeAlarm(AlarmId id);

  // Runs until quit(); returns the quit code.
  int run();
  // A nested loop that dispatches everything until `done()` or quit.
  void runModal(const std::function<bool()>& done);
  void quit(int code);
  // True while posted messages or tasks wait for delivery.
  bool hasPosted() const;
  bool quitRequested() const { return quit_; }

  // Virtual time: once everything already posted has been delivered, moves a
  // manual clock forward by `d`, firing due timers in order and delivering
  // what they post; `done` runs when the target is reached. Works from any
  // loop level, so a message box opened on the way does not stop it.
  void advance(Duration d, Task done);

  // Runs each time the loop has nothing left to do, just before it would
  // wait: whoever moves virtual time learns there that the program is idle.
  // It returns true when it gave the loop more to do; none: no such task.
  void setIdleTask(std::function<bool()> task) { idle_ = std::move(task); }

 private:
  struct Timer {
    Duration period;
    TimePoint due;
    std::uint64_t order;
  };
  struct Alarm {
    std::chrono::steady_clock::time_point when;
    Task task;
  };
  struct Advance {
    Duration duration;
    std::optional<TimePoint> target;  // fixed once the queue is first empty
    Task done;
  };
  using TimerKey = std::pair<WindowHandle, TimerId>;

  // One step of any loop level; false when nothing was there and it waited.
  void pump();
  bool deliverPosted();
  bool fireRealTimeAlarm();
  bool fireDueTimer();
  bool stepVirtualTime();
  void waitForWork();

  void notifyPosted();

  Clock& clock_;
  Dispatcher dispatcher_;
  std::atomic<ForeignLoop*> foreign_{nullptr};
  std::chrono::steady_clock::time_point lastForeignTurn_{};

  mutable std::mutex queueMutex_;
  std::condition_variable queueChanged_;
  std::deque<std::variant<Message, Task>> posted_;  // in the order they were posted

  std::map<TimerKey, Timer> timers_;
  std::uint64_t timerOrder_ = 0;
  std::map<AlarmId, Alarm> alarms_;
  AlarmId nextAlarm_ = 1;
  std::deque<Advance> advances_;
  std::function<bool()> idle_;
  bool quit_ = false;
  int quitCode_ = 0;
};

}  // namespace p42r::platform
