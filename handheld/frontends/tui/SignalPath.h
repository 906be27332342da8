// The one way signals reach a frontend, whichever it is. The signals it
// answers become bytes on a relay's pipe; a small thread tells the frontend
// at once (for one that may be waiting on the user-interface thread, a
// password prompt) and posts the signal to the user-interface thread, where
// the frontend answers it or leaves it to `close`, the program's close
// request, so the screens' own close handling runs and the program ends
// through its normal exit. It must go before the frontend it tells. One at
// a time per process; the handlers that were there before come back when
// it is destroyed.
#pragma once

#include <functional>
#include <memory>

#include "frontends/Frontend.h"
#include "frontends/tui/InputWatcher.h"
#include "frontends/tui/SignalRelay.h"
#include "platform/EventLoop.h"

namespace p42r::frontends {

class SignalPath {
 public:
  // `close` runs on the user-interface thread for each signal the frontend left to it.
  SignalPath(platform::EventLoop& loop, Frontend& frontend, std::function<void()> close);
  ~SignalPath();
  SignalPath(const SignalPath&) = delete;
  SignalPath& operator=(const SignalPath&) = delete;

 private:
  // Tasks still queued when the path (and so its frontend) has gone do nothing.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  tui::SignalRelay relay_;
  tui::InputWatcher watcher_;
};

}  // namespace p42r::frontends
