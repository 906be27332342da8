// The window's one widget: paints the display scaled by the largest whole
// factor that fits (centred on the desk colour) and turns mouse, touch and
// keys into the terminal interface's input events, in handheld pixels, for
// the frontend to route. Touch arrives as the mouse presses Qt makes of it.
// A tap acts as a touch screen's does: a button shows pressed while held and
// acts when released over it; sliding off it lets it go.
// Closing the window is only asked for; the frontend decides.
#pragma once

#include <functional>
#include <optional>

#include <QWidget>

#include "frontends/gui/WindowPainter.h"
#include "frontends/tui/KeyEvent.h"

namespace p42r::frontends::gui {

class ScreenWidget final : public QWidget {
 public:
  using InputHandler = std::function<void(const tui::KeyEvent&)>;
  using CloseHandler = std::function<void()>;

  ScreenWidget(const platform::Display& display, render::PictureLibrary& pictures, int scale, InputHandler onInput,
               CloseHandler onCloseAsked);

  // The highlighted button of the open message box.
  void setSelectedButton(int button) { options_.selectedButton = button; }
  const platform::Display& display() const { return display_; }
  // What takes input as drawn last, in handheld pixels.
  const render::HitMap& hits() const { return hits_; }
  // The window's point over a handheld pixel, as drawn now.
  QPoint windowPoint(QPoint handheld) const;
  int scale() const;
  // Lets the next close through (the program is ending).
  void allowClose() { closeAllowed_ = true; }

  QSize sizeHint() const override { return kScreenSize * initialScale_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Tab and Shift+Tab are the screens' own, not Qt's focus chain.
  bool focusNextPrevChild(bool) override { return false; }

 private:
  QPoint origin() const;
  // The handheld pixel under a point of the window.
  QPoint handheldPoint(QPointF window) const;
  std::optional<render::Hit> hitAt(QPoint handheld) const { return hits_.at(handheld.x(), handheld.y()); }
  void typed(const QString& text);

  const platform::Display& display_;
  render::PictureLibrary& pictures_;
  int initialScale_;
  InputHandler onInput_;
  CloseHandler onCloseAsked_;
  PaintOptions options_;
  render::HitMap hits_;
  // Where the mouse went down (a tap acts when the finger lifts over the same thing).
  std::optional<render::Hit> pressed_;
  bool closeAllowed_ = false;
};

}  // namespace p42r::frontends::gui
