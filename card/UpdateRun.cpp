#include "card/UpdateRun.h"

#include "card/UpdateVocabulary.h"

namespace p42r::card {

milliseconds UpdateRun::noticeDelay(int notice) const {
  const auto& delay = scenario_.update.noticeDelays[static_cast<std::size_t>(notice)];
  return delay ? *delay : scenario_.update.pacing;
}

void UpdateRun::start() {
  const UpdateBehaviour& update = scenario_.update;
  scheduler_.cancel(TimerGroup::Update);
  state_.updateRunning = true;
  state_.lastNotice = -1;

  // Every notice is scheduled at once, at absolute points from the start, so
  // that a clock that jumps far ahead still delivers all of them in order.
  const Scheduler::TimePoint begin = scheduler_.now();
  Scheduler::TimePoint due = begin;
  for (int notice = 0; notice <= update.lastNotice; ++notice) {
    due += noticeDelay(notice);
    scheduler_.at(due, TimerGroup::Update, [this, notice] { sendNotice(notice); });
  }
  const Scheduler::TimePoint end = due + update.finalDelay.value_or(update.pacing);
  scheduler_.at(end, TimerGroup::Update, [this] { finish(); });

  if (update.keepAliveInterval.count() > 0) {
    scheduleKeepAlive(begin + update.keepAliveInterval, end);
  }
}

void UpdateRun::scheduleKeepAlive(Scheduler::TimePoint due, Scheduler::TimePoint end) {
  if (due >= end) {
    return;
  }
  // One keep-alive at a time, each scheduling the next: a short interval over
  // a long update does not fill the timer table.
  scheduler_.at(due, TimerGroup::Update, [this, due, end] {
    writer_.line(kKeepAlive);
    scheduleKeepAlive(due + scenario_.update.keepAliveInterval, end);
  });
}

void UpdateRun::sendNotice(int notice) {
  state_.lastNotice = notice;
  writer_.line(kProgressNotices[static_cast<std::size_t>(notice)]);
}

void UpdateRun::finish() {
  state_.updateRunning = false;
  const Ending& ending = scenario_.update.ending;
  control_.deliver(ending);
  if (scenario_.update.leaveWriting && ending.kind != EndingKind::Unplug && ending.kind != EndingKind::Hang) {
    state_.writing = true;
    state_.writingFinishScheduled = false;
  }
}

void UpdateRun::stop() {
  scheduler_.cancel(TimerGroup::Update);
  state_.updateRunning = false;
}

void UpdateRun::answerWhileWriting() {
  writer_.line(scenario_.writing.notice);
  if (state_.writingFinishScheduled) {
    return;
  }
  state_.writingFinishScheduled = true;
  scheduler_.after(scenario_.writing.delay, TimerGroup::Writing, [this] {
    state_.writing = false;
    state_.writingFinishScheduled = false;
    control_.deliver(scenario_.writing.ending);
  });
}

}  // namespace p42r::card
