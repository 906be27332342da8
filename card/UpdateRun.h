// The card's side of a phone update. Started by "AT@KUPSTART", it sends the
// progress notices at the scenario's pacing, keep-alives at their interval in
// between, and then the scenario's ending; "AT@KUPEND" stops it, a new start
// begins it again. It also answers for the software the card is still
// writing (at start, or left over by an earlier run): the writing notice at
// once, the writing's ending some time later.
#pragma once

#include "card/CardControl.h"
#include "card/CardState.h"
#include "card/ReplyWriter.h"
#include "card/Scenario.h"
#include "card/Scheduler.h"

namespace p42r::card {

class UpdateRun {
public:
  UpdateRun(const Scenario& scenario, CardState& state, ReplyWriter& writer, Scheduler& scheduler,
            CardControl& control)
      : scenario_(scenario), state_(state), writer_(writer), scheduler_(scheduler), control_(control) {}

  void start();
  void stop();
  // The answer to any command while the card is writing.
  void answerWhileWriting();

private:
  milliseconds noticeDelay(int notice) const;
  void sendNotice(int notice);
  void scheduleKeepAlive(Scheduler::TimePoint due, Scheduler::TimePoint end);
  void finish();

  const Scenario& scenario_;
  CardState& state_;
  ReplyWriter& writer_;
  Scheduler& scheduler_;
  CardControl& control_;
};

}  // namespace p42r::card
