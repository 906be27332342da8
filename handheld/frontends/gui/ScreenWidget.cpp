#include "frontends/gui/ScreenWidget.h"

#include <algorithm>
#include <cmath>

#include <QCloseEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "frontends/gui/FormDrawing.h"
#include "frontends/render/Theme.h"

namespace p42r::frontends::gui {

using Kind = tui::KeyEvent::Kind;

ScreenWidget::ScreenWidget(const platform::Display& display, render::PictureLibrary& pictures, int scale,
                           InputHandler onInput, CloseHandler onCloseAsked)
    : display_(display),
      pictures_(pictures),
      initialScale_(std::max(scale, 1)),
      onInput_(std::move(onInput)),
      onCloseAsked_(std::move(onCloseAsked)) {
  setObjectName(QStringLiteral("p42r-screen"));
  setMinimumSize(kScreenSize);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled, true);
  setAttribute(Qt::WA_OpaquePaintEvent, true);
}

int ScreenWidget::scale() const {
  return std::max(std::min(width() / kScreenSize.width(), height() / kScreenSize.height()), 1);
}

QPoint ScreenWidget::origin() const {
  const QSize used = kScreenSize * scale();
  return {std::max((width() - used.width()) / 2, 0), std::max((height() - used.height()) / 2, 0)};
}

QPoint ScreenWidget::windowPoint(QPoint handheld) const { return origin() + handheld * scale(); }

void ScreenWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), ColourOf(render::theme::kDesk));
  painter.translate(origin());
  painter.scale(scale(), scale());
  hits_ = PaintWindow(painter, display_, pictures_, options_);
}

QPoint ScreenWidget::handheldPoint(QPointF window) const {
  const QPointF at = (window - QPointF(origin())) / scale();
  return {static_cast<int>(std::floor(at.x())), static_cast<int>(std::floor(at.y()))};
}

namespace {
bool Same(const render::Hit& a, const render::Hit& b) {
  return a.kind == b.kind && a.controlId == b.controlId && a.row == b.row && a.answer == b.answer;
}
}  // namespace

void ScreenWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = hitAt(handheldPoint(event->position()));
  const bool button = pressed_ && pressed_->kind == render::Hit::Kind::Control;
  options_.pressedControl = button ? pressed_->controlId : 0;
  update();
}

void ScreenWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  const render::Hit down = *pressed_;
  pressed_.reset();
  options_.pressedControl = 0;
  update();
  const QPoint at = handheldPoint(event->position());
  const auto up = hitAt(at);
  if (up && Same(*up, down)) onInput_({Kind::MousePress, 0, at.x(), at.y()});
}

void ScreenWidget::wheelEvent(QWheelEvent* event) {
  const int steps = event->angleDelta().y() / 120;
  const QPoint at = handheldPoint(event->position());
  for (int i = 0; i < std::abs(steps); ++i) onInput_({steps > 0 ? Kind::WheelUp : Kind::WheelDown, 0, at.x(), at.y()});
}

void ScreenWidget::keyPressEvent(QKeyEvent* event) {
  const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
  if (control && (event->key() == Qt::Key_Q || event->key() == Qt::Key_C)) return onInput_({Kind::Quit});
  if (control && event->key() == Qt::Key_U) return onInput_({Kind::ClearField});
  switch (event->key()) {
    case Qt::Key_F10: return onInput_({Kind::Quit});
    case Qt::Key_Tab: return onInput_({Kind::Tab});
    case Qt::Key_Backtab: return onInput_({Kind::BackTab});
    case Qt::Key_Up: return onInput_({Kind::Up});
    case Qt::Key_Down: return onInput_({Kind::Down});
    case Qt::Key_Left: return onInput_({Kind::Left});
    case Qt::Key_Right: return onInput_({Kind::Right});
    case Qt::Key_Return:
    case Qt::Key_Enter: return onInput_({Kind::Enter});
    case Qt::Key_Space: return onInput_({Kind::Space});
    case Qt::Key_Escape: return onInput_({Kind::Escape});
    case Qt::Key_Backspace: return onInput_({Kind::Backspace});
    default: break;
  }
  if (!control) typed(event->text());
}

void ScreenWidget::inputMethodEvent(QInputMethodEvent* event) { typed(event->commitString()); }

void ScreenWidget::typed(const QString& text) {
  for (const char32_t c : text.toUcs4()) {
    if (c >= 0x20 && c != 0x7F) onInput_({Kind::Character, c});
  }
}

void ScreenWidget::closeEvent(QCloseEvent* event) {
  if (closeAllowed_) {
    event->accept();
    return;
  }
  // The title bar's close button is a person's close, like Ctrl+C in the terminal.
  event->ignore();
  onCloseAsked_();
}

}  // namespace p42r::frontends::gui
