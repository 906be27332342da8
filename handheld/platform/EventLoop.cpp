#include "platform/EventLoop.h"

#include <limits>
#include <utility>

#include "platform/LastError.h"

namespace p42r::platform {

EventLoop::EventLoop(Clock& clock) : clock_(clock) {}

void EventLoop::setDispatcher(Dispatcher dispatcher) { dispatcher_ = std::move(dispatcher); }

void EventLoop::post(Message message) {
  {
    std::lock_guard lock(queueMutex_);
    posted_.emplace_back(std::move(message));
  }
  notifyPosted();
}

void EventLoop::postTask(Task task) {
  {
    std::lock_guard lock(queueMutex_);
    posted_.emplace_back(std::move(task));
  }
  notifyPosted();
}

void EventLoop::notifyPosted() {
  queueChanged_.notify_one();
  if (ForeignLoop* foreign = foreign_.load()) foreign->wake();
}

bool EventLoop::setTimer(WindowHandle window, TimerId id, Duration period) {
  timers_[{window, id}] = Timer{period, clock_.now() + period, timerOrder_++};
  SetLastError(ERROR_SUCCESS);
  return true;
}

bool EventLoop::killTimer(WindowHandle window, TimerId id) {
  // Killing a timer that is not running fails without an error of its own:
  // there was simply nothing to stop.
  SetLastError(ERROR_SUCCESS);
  return timers_.erase({window, id}) > 0;
}

void EventLoop::killTimersOf(WindowHandle window) {
  for (auto it = timers_.begin(); it != timers_.end();) {
    it = it->first.first == window ? timers_.erase(it) : std::next(it);
  }
}

bool EventLoop::hasTimer(WindowHandle window, TimerId id) const {
  return timers_.contains({window, id});
}

std::optional<TimePoint> EventLoop::nextTimerDue() const {
  std::optional<TimePoint> next;
  for (const auto& [key, timer] : timers_) {
    if (!next || timer.due < *next) next = timer.due;
  }
  return next;
}

AlarmId EventLoop::addRealTimeAlarm(std::chrono::steady_clock::time_point when, Task task) {
  const AlarmId id = nextAlarm_++;
  alarms_.emplace(id, Alarm{when, std::move(task)});
  return id;
}

void EventLoop::cancelRealTimeAlarm(AlarmId id) { alarms_.erase(id); }

int EventLoop::run() {
  while (!quit_) pump();
  return quitCode_;
}

void EventLoop::runModal(const std::function<bool()>& done) {
  while (!quit_ && !done()) pump();
}

void EventLoop::quit(int code) {
  if (quit_) return;
  quit_ = true;
  quitCode_ = code;
}

bool EventLoop::hasPosted() const {
  std::lock_guard lock(queueMutex_);
  return !posted_.empty();
}

void EventLoop::advance(Duration d, Task done) {
  advances_.push_back(Advance{d, std::nullopt, std::move(done)});
}

void EventLoop::pump() {
  if (ForeignLoop* foreign = foreign_.load()) {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastForeignTurn_ >= kForeignTurn) {
      lastForeignTurn_ = now;
      foreign->waitAndHandle(now);
    }
  }
  if (fireRealTimeAlarm()) return;
  if (deliverPosted()) return;
  if (fireDueTimer()) return;
  if (stepVirtualTime()) return;
  if (idle_ && idle_()) return;
  waitForWork();
}

bool EventLoop::deliverPosted() {
  std::optional<std::variant<Message, Task>> next;
  {
    std::lock_guard lock(queueMutex_);
    if (posted_.empty()) return false;
    next.emplace(std::move(posted_.front()));
    posted_.pop_front();
  }
  if (auto* task = std::get_if<Task>(&*next)) {
    if (*task) (*task)();
  } else if (dispatcher_) {
    dispatcher_(std::get<Message>(*next));
  }
  return true;
}

bool EventLoop::fireRealTimeAlarm() {
  if (alarms_.empty()) return false;
  const auto realNow = std::chrono::steady_clock::now();
  for (auto it = alarms_.begin(); it != alarms_.end(); ++it) {
    if (it->second.when <= realNow) {
      Task task = std::move(it->second.task);
      alarms_.erase(it);
      task();
      return true;
    }
  }
  return false;
}

bool EventLoop::fireDueTimer() {
  const TimePoint now = clock_.now();
  auto due = timers_.end();
  for (auto it = timers_.begin(); it != timers_.end(); ++it) {
    if (it->second.due > now) continue;
    if (due == timers_.end() || it->second.due < due->second.due ||
        (it->second.due == due->second.due && it->second.order < due->second.order)) {
      due = it;
    }
  }
  if (due == timers_.end()) return false;
  // Periodic, as the platform's timers are: it fires again one period later.
  due->second.due = now + due->second.period;
  Message message{due->first.first, WM_TIMER, due->first.second, 0, nullptr};
  if (dispatcher_) dispatcher_(message);
  return true;
}

bool EventLoop::stepVirtualTime() {
  if (advances_.empty()) return false;
  auto* manual = dynamic_cast<ManualClock*>(&clock_);
  Advance& advance = advances_.front();
  if (!advance.target) advance.target = clock_.now() + advance.duration;
  const TimePoint target = *advance.target;
  const auto next = nextTimerDue();
  if (manual && next && *next <= target && *next > clock_.now()) {
    manual->advanceTo(*next);
    return true;
  }
  if (manual) manual->advanceTo(target);
  Task done = std::move(advance.done);
  advances_.pop_front();
  if (done) done();
  return true;
}

void EventLoop::waitForWork() {
  std::optional<std::chrono::steady_clock::time_point> deadline;
  for (const auto& [id, alarm] : alarms_) {
    if (!deadline || alarm.when < *deadline) deadline = alarm.when;
  }
  if (!clock_.isManual()) {
    // The real clock shares the steady clock's time base.
    if (const auto next = nextTimerDue(); next && (!deadline || *next < *deadline)) deadline = *next;
  }
  if (ForeignLoop* foreign = foreign_.load()) {
    // A post after this check wakes the foreign loop, which then returns at once.
    if (hasPosted()) return;
    foreign->waitAndHandle(deadline);
    lastForeignTurn_ = std::chrono::steady_clock::now();
    return;
  }
  std::unique_lock lock(queueMutex_);
  if (deadline) {
    queueChanged_.wait_until(lock, *deadline, [this] { return !posted_.empty(); });
  } else {
    queueChanged_.wait(lock, [this] { return !posted_.empty(); });
  }
}

}  // namespace p42r::platform
