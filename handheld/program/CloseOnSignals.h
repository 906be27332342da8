// For a frontend that has no signal handling of its own (script mode):
// SIGINT, SIGTERM and SIGHUP become the close request on the user-interface
// thread, so the screens' own close handling runs and the program ends
// through its normal exit, its throw-away device root removed. While it
// exists it holds the process's one signal relay; the handlers that were
// there before come back when it is destroyed.
#pragma once

#include <functional>

#include "frontends/tui/InputWatcher.h"
#include "frontends/tui/SignalRelay.h"
#include "platform/EventLoop.h"

namespace p42r::program {

class CloseOnSignals {
 public:
  // `close` runs on the user-interface thread, once per signal.
  CloseOnSignals(platform::EventLoop& loop, std::function<void()> close);
  ~CloseOnSignals();
  CloseOnSignals(const CloseOnSignals&) = delete;
  CloseOnSignals& operator=(const CloseOnSignals&) = delete;

 private:
  frontends::tui::SignalRelay relay_{SIGINT, SIGTERM, SIGHUP};
  frontends::tui::InputWatcher watcher_;
};

}  // namespace p42r::program
