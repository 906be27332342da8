#include "frontends/tui/SignalPath.h"

namespace p42r::frontends {

SignalPath::SignalPath(platform::EventLoop& loop, Frontend& frontend, std::function<void()> close)
    : relay_(frontend.handledSignals()),
      // No input to watch: only the relay's descriptor.
      watcher_(-1, relay_.fd(), [] {}, [this, &loop, &frontend, close = std::move(close)] {
        for (int signal : relay_.read()) {
          frontend.signalArrived(signal);
          loop.postTask([alive = std::weak_ptr<bool>(alive_), &frontend, close, signal] {
            if (alive.expired()) return;
            if (!frontend.signalled(signal)) close();
          });
        }
      }) {
  watcher_.start();
}

SignalPath::~SignalPath() {
  watcher_.stop();
  alive_.reset();
}

}  // namespace p42r::frontends
