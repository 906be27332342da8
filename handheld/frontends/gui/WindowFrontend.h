// The graphical frontend: the program's screens in a desktop window (Qt 6
// Widgets), drawn as the handheld draws them and driven by mouse, touch and
// keyboard through the same input routing as the terminal interface.
//
// It plays the other frontends' part: constructed with the display and the
// window system (which joins Qt's loop to the program's, see QtLoop), start()
// shows the window, finish(exitCode) takes it away. Every change of the
// display schedules a repaint; Qt paints at most once per turn of its loop,
// so the update animation's frames never queue up. A person's close (the
// window's close button, Ctrl+Q, Ctrl+C, F10) asks first while a screen
// warns against closing, with "no" as the default. User-interface thread only.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "frontends/Frontend.h"
#include "frontends/render/DisplayChanges.h"
#include "frontends/render/PictureLibrary.h"
#include "frontends/tui/InputQueue.h"
#include "frontends/tui/InputRouter.h"
#include "platform/Display.h"
#include "platform/UserInput.h"
#include "platform/Window.h"

class QApplication;

namespace p42r::frontends {

namespace gui {
class QtLoop;
class ScreenWidget;
}  // namespace gui

// No window can be opened; what() says why.
class WindowUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class WindowFrontend final : public Frontend, public render::DisplayChanges {
 public:
  struct Options {
    // Window pixels per handheld pixel at start; 0 chooses from the screen's size.
    int scale = 0;
  };

  WindowFrontend(platform::Display& display, platform::WindowSystem& windows, Options options);
  WindowFrontend(platform::Display& display, platform::WindowSystem& windows)
      : WindowFrontend(display, windows, Options{}) {}
  ~WindowFrontend();
  WindowFrontend(const WindowFrontend&) = delete;
  WindowFrontend& operator=(const WindowFrontend&) = delete;

  // Why no window can be opened here, if none can: no display to show it on.
  static std::optional<std::string> Unavailable();

  void start() override;
  void release() override;
  int finish(int exitCode) override;

  // The window, for tests that drive it with input events.
  gui::ScreenWidget* widget() const { return widget_.get(); }

  // Every change asks for a repaint; these do more.
  void titleChanged(const std::u16string& title) override;
  void messageBoxOpened(const platform::MessageBoxState& box) override;
  void waitCursorChanged(bool shown) override;

 private:
  void displayChanged() override { requestRepaint(); }
  void requestRepaint();
  void received(const tui::KeyEvent& event);
  void route(const tui::KeyEvent& event);
  void requestClose();
  void personCloses();

  platform::Display& display_;
  platform::EventLoop& loop_;
  platform::UserInput input_;
  tui::InputRouter router_;
  render::PictureLibrary pictures_;
  Options options_;
  std::unique_ptr<QApplication> ownApplication_;
  std::unique_ptr<gui::QtLoop> qtLoop_;
  std::unique_ptr<gui::ScreenWidget> widget_;
  tui::InputQueue pending_;
  std::shared_ptr<WindowFrontend*> self_;
  bool closeRequested_ = false;
  bool asking_ = false;
  bool finished_ = false;
};

}  // namespace p42r::frontends
