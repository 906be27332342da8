// The few things that change the card as a whole rather than answer one
// command: it hangs (answers nothing any more), it is unplugged, or an update
// comes to its end. Shared by the command handlers and the update run.
#pragma once

#include "card/CardState.h"
#include "card/ReplyWriter.h"
#include "card/Scenario.h"
#include "card/Scheduler.h"

namespace p42r::card {

class CardControl {
public:
  CardControl(CardState& state, ReplyWriter& writer, Scheduler& scheduler)
      : state_(state), writer_(writer), scheduler_(scheduler) {}

  void hang();
  // Stops every timer and all output; the transport closes the port.
  void unplug();
  // Sends (or does) what `ending` says.
  void deliver(const Ending& ending);

private:
  CardState& state_;
  ReplyWriter& writer_;
  Scheduler& scheduler_;
};

}  // namespace p42r::card
