// The one way signals reach a frontend, whichever it is. From its
// construction, SIGINT, SIGTERM and SIGHUP are caught and wait as bytes on
// a relay's pipe, so one that comes while the program is still being set up
// is not lost and does not end the process on the spot. deliverTo() adds
// the frontend's own signals and starts a small thread that tells the
// frontend at once (for one that may be waiting on the user-interface
// thread, a password prompt) and posts each signal, the waiting ones first,
// to the user-interface thread, where the frontend answers it or leaves it
// to `close`, the program's close request: the screens' own close handling
// runs and the program ends through its normal exit. One path at a time per
// process; the handlers that were there before come back when it is
// destroyed.
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
  // The delivery to one frontend; it must go before the frontend, the loop
  // and the path. Signals that come after it has gone wait unanswered.
  class Delivery {
   public:
    Delivery(tui::SignalRelay& relay, platform::EventLoop& loop, Frontend& frontend, std::function<void()> close);
    ~Delivery();
    Delivery(const Delivery&) = delete;
    Delivery& operator=(const Delivery&) = delete;

   private:
    // Tasks still queued when the delivery has gone do nothing.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    tui::InputWatcher watcher_;
  };

  SignalPath();

  // `close` runs on the user-interface thread for each signal the frontend left to it.
  std::unique_ptr<Delivery> deliverTo(platform::EventLoop& loop, Frontend& frontend, std::function<void()> close);

 private:
  tui::SignalRelay relay_;
};

}  // namespace p42r::frontends
