#include "program/CloseOnSignals.h"

namespace p42r::program {

CloseOnSignals::CloseOnSignals(platform::EventLoop& loop, std::function<void()> close)
    // No input to watch: only the relay's descriptor.
    : watcher_(-1, relay_.fd(), [] {}, [this, &loop, close = std::move(close)] {
        for ([[maybe_unused]] int signal : relay_.read()) loop.postTask(close);
      }) {
  watcher_.start();
}

CloseOnSignals::~CloseOnSignals() { watcher_.stop(); }

}  // namespace p42r::program
