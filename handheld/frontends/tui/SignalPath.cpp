#include "frontends/tui/SignalPath.h"

namespace p42r::frontends {

SignalPath::SignalPath() : relay_({SIGINT, SIGTERM, SIGHUP}) {}

std::unique_ptr<SignalPath::Delivery> SignalPath::deliverTo(platform::EventLoop& loop, Frontend& frontend,
                                                            std::function<void()> close) {
  relay_.add(frontend.handledSignals());
  return std::make_unique<Delivery>(relay_, loop, frontend, std::move(close));
}

SignalPath::Delivery::Delivery(tui::SignalRelay& relay, platform::EventLoop& loop, Frontend& frontend,
                               std::function<void()> close)
    // No input to watch: only the relay's descriptor.
    : watcher_(-1, relay.fd(), [] {}, [this, &relay, &loop, &frontend, close = std::move(close)] {
        for (int signal : relay.read()) {
          frontend.signalArrived(signal);
          loop.postTask([alive = std::weak_ptr<bool>(alive_), &frontend, close, signal] {
            if (alive.expired()) return;
            if (!frontend.signalled(signal)) close();
          });
        }
      }) {
  watcher_.start();
}

SignalPath::Delivery::~Delivery() {
  watcher_.stop();
  alive_.reset();
}

}  // namespace p42r::frontends
