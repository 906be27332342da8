// Joins Qt's event loop to the program's: while the program's loop has
// nothing to deliver it waits inside Qt's dispatcher, which handles the
// window system's events and Qt's own timers and posted events, and returns
// when the program's loop is posted to (Qt's wake-up is thread-safe) or its
// next timer is due. Nothing polls: an idle program sleeps in one poll().
#pragma once

#include <QTimer>

#include "platform/EventLoop.h"

class QAbstractEventDispatcher;

namespace p42r::frontends::gui {

class QtLoop final : public platform::ForeignLoop {
 public:
  // On the user-interface thread, with the application object there.
  QtLoop();

  void waitAndHandle(std::optional<std::chrono::steady_clock::time_point> deadline) override;
  void wake() override;

 private:
  QAbstractEventDispatcher* dispatcher_;
  QTimer deadline_;
};

}  // namespace p42r::frontends::gui
