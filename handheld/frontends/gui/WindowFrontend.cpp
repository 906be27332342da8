#include "frontends/gui/WindowFrontend.h"

#include <algorithm>

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QScreen>

#include "frontends/gui/DisplayPresence.h"
#include "frontends/gui/QtLoop.h"
#include "frontends/gui/ScreenWidget.h"
#include "resources/Bitmaps.h"

namespace p42r::frontends {

using tui::PostIfAlive;

namespace {

// Qt ends the process when its platform cannot start; the application object
// is only made once a display is known to be there.
QApplication* EnsureApplication(std::unique_ptr<QApplication>& own) {
  if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) return existing;
  static int argc = 1;
  static char name[] = "p42r";
  static char* argv[] = {name, nullptr};
  own = std::make_unique<QApplication>(argc, argv);
  QApplication::setApplicationName(QStringLiteral("p42r"));
  QApplication::setDesktopFileName(QStringLiteral("p42r"));
  return own.get();
}

// The program's own icon, enlarged pixel for pixel for bigger title bars and task bars.
QIcon ProgramIcon() {
  const auto bytes = resources::FindBitmap(resources::kBitmapProgramIcon);
  const QImage image = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()), "BMP");
  QIcon icon;
  if (image.isNull()) return icon;
  for (int factor : {1, 2, 4}) icon.addPixmap(QPixmap::fromImage(image.scaled(image.size() * factor)));
  return icon;
}

int ScaleForScreen() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 1;
  // About three fifths of the screen's height, in whole steps.
  const QSize room = screen->availableSize() * 3 / 5;
  return std::clamp(std::min(room.width() / gui::kScreenSize.width(), room.height() / gui::kScreenSize.height()), 1, 4);
}

}  // namespace

WindowFrontend::WindowFrontend(platform::Display& display, platform::WindowSystem& windows, Options options)
    : display_(display),
      loop_(windows.loop()),
      input_(display, windows),
      router_(display, input_),
      options_(options),
      pending_(loop_, [this](const tui::KeyEvent& event) { route(event); }),
      self_(std::make_shared<WindowFrontend*>(this)) {
  if (auto why = Unavailable()) throw WindowUnavailable(*why);
  EnsureApplication(ownApplication_);
  qtLoop_ = std::make_unique<gui::QtLoop>();
  loop_.setForeignLoop(qtLoop_.get());
  display_.addObserver(*this);
}

WindowFrontend::~WindowFrontend() {
  display_.removeObserver(*this);
  widget_.reset();
  loop_.setForeignLoop(nullptr);
  qtLoop_.reset();
  ownApplication_.reset();
}

std::optional<std::string> WindowFrontend::Unavailable() { return WhyNoWindowDisplay(); }

void WindowFrontend::start() {
  if (finished_ || widget_) return;
  const std::weak_ptr<WindowFrontend*> self = self_;
  widget_ = std::make_unique<gui::ScreenWidget>(
      display_, pictures_, options_.scale > 0 ? options_.scale : ScaleForScreen(),
      [this](const tui::KeyEvent& event) { received(event); },
      [this, self] { PostIfAlive(loop_, self, [](WindowFrontend& f) { f.personCloses(); }); });
  widget_->setWindowIcon(ProgramIcon());
  titleChanged(display_.title());
  widget_->resize(widget_->sizeHint());
  widget_->show();
  requestRepaint();
}

int WindowFrontend::finish(int exitCode) {
  release();
  return exitCode;
}

void WindowFrontend::release() {
  if (finished_) return;
  finished_ = true;
  pending_.close();
  if (widget_) {
    widget_->allowClose();
    widget_->close();
  }
}

void WindowFrontend::requestRepaint() {
  if (!widget_ || finished_) return;
  widget_->setSelectedButton(router_.selectedButton());
  widget_->update();
}

void WindowFrontend::received(const tui::KeyEvent& event) {
  if (finished_) return;
  // Routed from the program's loop, not inside Qt's handling of the event.
  PostIfAlive(loop_, self_, [event](WindowFrontend& f) { f.pending_.add(event); });
}

void WindowFrontend::route(const tui::KeyEvent& event) {
  if (event.kind == tui::KeyEvent::Kind::Quit) {
    PostIfAlive(loop_, self_, [](WindowFrontend& f) { f.personCloses(); });
    return;
  }
  router_.handle(event, widget_ ? widget_->hits() : render::HitMap{});
  requestRepaint();
}

void WindowFrontend::requestClose() {
  if (closeRequested_) return;
  closeRequested_ = true;
  input_.close();
}

void WindowFrontend::personCloses() {
  if (closeRequested_ || asking_ || finished_) return;
  asking_ = true;
  const bool close = tui::PersonConfirmsClose(display_);
  asking_ = false;
  if (close) requestClose();
}

void WindowFrontend::titleChanged(const std::u16string& title) {
  if (widget_) {
    const std::u16string& shown = title.empty() ? display_.applicationTitle() : title;
    widget_->setWindowTitle(QString::fromUtf16(shown.data(), static_cast<qsizetype>(shown.size())));
  }
  requestRepaint();
}
void WindowFrontend::messageBoxOpened(const platform::MessageBoxState& box) {
  router_.messageBoxOpened(box);
  requestRepaint();
}
void WindowFrontend::waitCursorChanged(bool shown) {
  if (widget_) {
    if (shown) {
      widget_->setCursor(Qt::WaitCursor);
    } else {
      widget_->unsetCursor();
    }
  }
  requestRepaint();
}

}  // namespace p42r::frontends
