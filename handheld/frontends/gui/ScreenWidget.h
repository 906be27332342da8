// The window's one widget: paints the display scaled by the largest whole
// factor that fits (centred on the desk colour) and turns mouse, touch and
// keys into the terminal interface's input events, in handheld pixels, for
// the frontend to route. Touch arrives as the mouse presses Qt makes of it.
// Closing the window is only asked for; the frontend decides.
#pragma once

#include <functional>

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

  void setPaintOptions(const PaintOptions& options) { options_ = options; }
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
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Tab and Shift+Tab are the screens' own, not Qt's focus chain.
  bool focusNextPrevChild(bool) override { return false; }

 private:
  QPoint origin() const;
  void typed(const QString& text);

  const platform::Display& display_;
  render::PictureLibrary& pictures_;
  int initialScale_;
  InputHandler onInput_;
  CloseHandler onCloseAsked_;
  PaintOptions options_;
  render::HitMap hits_;
  bool closeAllowed_ = false;
};

}  // namespace p42r::frontends::gui
