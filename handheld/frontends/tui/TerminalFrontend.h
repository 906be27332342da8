// The interactive frontend: the program on a person's terminal, drawn from
// the render model with ncursesw and driven by keyboard and mouse.
//
// It plays the script frontend's part: constructed with the display and the
// window system, start() takes the terminal and begins reading input,
// finish(exitCode) gives the terminal back after the loop has ended.
//
// Threads: ncurses is used on the user-interface thread only. A watcher
// thread waits for input and posts a task to the loop; signals come through
// the program's SignalPath, which must exist before start(). Changes
// of the display mark the screen dirty; it is drawn once per turn of the
// loop, so a picture drawn every 500 ms by another thread neither flickers
// nor holds input back. Ctrl+C (the key or SIGINT), Ctrl+Q and F10 are a
// person's close: while a screen warns against closing, it is asked first,
// with "no" as the default. SIGTERM and SIGHUP are the close request at once.
// Either way the program ends through its normal close path. The terminal is
// restored at every end (TerminalRestorer).
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "frontends/Frontend.h"
#include "frontends/render/DisplayChanges.h"
#include "frontends/render/DisplayRenderer.h"
#include "frontends/render/PictureLibrary.h"
#include "frontends/tui/InputQueue.h"
#include "frontends/tui/InputRouter.h"
#include "platform/Display.h"
#include "platform/EventLoop.h"
#include "platform/UserInput.h"
#include "platform/Window.h"

namespace p42r::frontends {

namespace tui {
class InputWatcher;
class Terminal;
}  // namespace tui

// start() could not take over the terminal; what() says why.
class TerminalUnavailable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TerminalFrontend final : public Frontend, public render::DisplayChanges {
 public:
  TerminalFrontend(platform::Display& display, platform::WindowSystem& windows, int inputFd = 0, int outputFd = 1);
  ~TerminalFrontend();
  TerminalFrontend(const TerminalFrontend&) = delete;
  TerminalFrontend& operator=(const TerminalFrontend&) = delete;

  // Why the terminal interface cannot run on these descriptors, if it cannot.
  static std::optional<std::string> Unavailable(int inputFd = 0, int outputFd = 1);

  // Takes over the terminal and starts reading input. Throws TerminalUnavailable.
  void start() override;
  // The program's loop has ended: stops reading and gives the terminal back.
  void release() override;
  // The program has ended: the same, if not done yet.
  int finish(int exitCode) override;

  // SIGWINCH redraws at the terminal's new size; SIGINT is a person's
  // close, SIGTERM and SIGHUP the close request at once.
  std::vector<int> handledSignals() const override { return {SIGINT, SIGTERM, SIGHUP, SIGWINCH}; }
  bool signalled(int signal) override;

  // Every change makes the screen dirty.
  void messageBoxOpened(const platform::MessageBoxState& box) override;

 private:
  void displayChanged() override { requestRedraw(); }
  void requestRedraw();
  void redraw();
  void readInput();
  void route(const tui::KeyEvent& event);
  void requestClose();
  // A person asked to close: under a screen's warning, only once they confirm.
  void personCloses();
  void stopWatching();

  platform::Display& display_;
  platform::EventLoop& loop_;
  platform::UserInput input_;
  tui::InputRouter router_;
  render::PictureLibrary pictures_;
  int inputFd_;
  int outputFd_;
  std::unique_ptr<tui::Terminal> terminal_;
  std::unique_ptr<tui::InputWatcher> watcher_;
  std::optional<render::Rendering> shown_;
  // Keys read but not yet handed to the screens.
  tui::InputQueue pending_;
  // Tasks posted by the watcher find out through this whether the frontend is still there.
  std::shared_ptr<TerminalFrontend*> self_;
  bool redrawPending_ = false;
  bool fullRedraw_ = false;
  bool closeRequested_ = false;
  bool asking_ = false;
  bool finished_ = false;
};

}  // namespace p42r::frontends
