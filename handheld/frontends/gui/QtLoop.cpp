#include "frontends/gui/QtLoop.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

namespace p42r::frontends::gui {

QtLoop::QtLoop() : dispatcher_(QAbstractEventDispatcher::instance()) {
  deadline_.setSingleShot(true);
  deadline_.setTimerType(Qt::PreciseTimer);
}

void QtLoop::waitAndHandle(std::optional<std::chrono::steady_clock::time_point> deadline) {
  QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents;
  if (deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      flags = QEventLoop::AllEvents;
    } else {
      // Only to end the wait; its timeout needs no handler.
      deadline_.start(static_cast<int>(std::min<std::chrono::milliseconds::rep>(left.count(), 24 * 3600 * 1000)));
    }
  }
  QCoreApplication::processEvents(flags);
  deadline_.stop();
}

void QtLoop::wake() { dispatcher_->wakeUp(); }

}  // namespace p42r::frontends::gui
