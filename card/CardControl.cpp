#include "card/CardControl.h"

namespace p42r::card {

void CardControl::hang() {
  state_.silent = true;
  writer_.mute();
}

void CardControl::unplug() {
  state_.unplugRequested = true;
  state_.updateRunning = false;
  writer_.mute();
  scheduler_.cancelAll();
}

void CardControl::deliver(const Ending& ending) {
  switch (ending.kind) {
    case EndingKind::Ok:
      writer_.line("OK");
      break;
    case EndingKind::Error:
      writer_.line("ERROR");
      writer_.line(ending.reason);
      break;
    case EndingKind::Lines:
      for (const auto& line : ending.lines) {
        writer_.line(line);
      }
      break;
    case EndingKind::Silence:
      break;
    case EndingKind::Hang:
      hang();
      break;
    case EndingKind::Unplug:
      unplug();
      break;
  }
}

}  // namespace p42r::card
