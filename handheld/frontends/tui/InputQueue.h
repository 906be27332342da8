// What a person did, waiting to be handed to the screens: one event at a
// time, each once what the one before it set going has been delivered, so
// that events typed ahead meet the screen or the box the earlier ones
// opened, as they would have had they come one by one. User-interface thread.
#pragma once

#include <deque>
#include <functional>
#include <memory>

#include "frontends/tui/KeyEvent.h"
#include "platform/Display.h"
#include "platform/EventLoop.h"

namespace p42r::frontends::tui {

class InputQueue {
 public:
  using Route = std::function<void(const KeyEvent&)>;

  InputQueue(platform::EventLoop& loop, Route route)
      : loop_(loop), route_(std::move(route)), self_(std::make_shared<InputQueue*>(this)) {}
  InputQueue(const InputQueue&) = delete;
  InputQueue& operator=(const InputQueue&) = delete;

  // Routes at once what can go now; the rest follows from the loop.
  template <typename Events>
  void add(const Events& events) {
    const bool routing = !pending_.empty();
    pending_.insert(pending_.end(), std::begin(events), std::end(events));
    if (!routing) drain();
  }
  void add(const KeyEvent& event) { add(std::initializer_list<KeyEvent>{event}); }
  // The frontend stops taking input.
  void close() {
    closed_ = true;
    pending_.clear();
  }

 private:
  void drain();

  platform::EventLoop& loop_;
  Route route_;
  std::deque<KeyEvent> pending_;
  bool closed_ = false;
  // Tasks posted to the loop find out through this whether the queue is still there.
  std::shared_ptr<InputQueue*> self_;
};

// Posts `call` to the loop, to run on `*self` only if that frontend still exists then.
// `self` is the frontend's shared or weak pointer to itself.
template <typename Self, typename Call>
void PostIfAlive(platform::EventLoop& loop, const Self& self, Call call) {
  loop.postTask([weak = std::weak_ptr(self), call]() mutable {
    if (auto alive = weak.lock()) call(**alive);
  });
}

// A person asked to close the program. Under a screen's warning (an update
// runs) they are asked first, with "no" as the default; true: close.
bool PersonConfirmsClose(platform::Display& display);

}  // namespace p42r::frontends::tui
