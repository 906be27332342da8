#include "frontends/tui/TerminalFrontend.h"

#include <unistd.h>

#include <curses.h>

#include "frontends/tui/InputWatcher.h"
#include "frontends/tui/Terminal.h"
#include "frontends/tui/TerminalRestorer.h"
#include "frontends/tui/TerminalType.h"

namespace p42r::frontends {

using tui::PostIfAlive;

TerminalFrontend::TerminalFrontend(platform::Display& display, platform::WindowSystem& windows, int inputFd,
                                   int outputFd)
    : display_(display),
      loop_(windows.loop()),
      input_(display, windows),
      router_(display, input_),
      inputFd_(inputFd),
      outputFd_(outputFd),
      terminal_(std::make_unique<tui::Terminal>()),
      pending_(loop_, [this](const tui::KeyEvent& event) { route(event); }),
      self_(std::make_shared<TerminalFrontend*>(this)) {
  display_.addObserver(*this);
}

TerminalFrontend::~TerminalFrontend() {
  stopWatching();
  terminal_->close();
  tui::TerminalRestorer::disarm();
  display_.removeObserver(*this);
}

std::optional<std::string> TerminalFrontend::Unavailable(int inputFd, int outputFd) {
  if (::isatty(inputFd) == 0 || ::isatty(outputFd) == 0) {
    return std::string("the terminal interface needs a terminal on standard input and output");
  }
  return tui::UnusableTerminalType(outputFd);
}

void TerminalFrontend::start() {
  if (finished_ || terminal_->isOpen()) return;
  if (auto why = Unavailable(inputFd_, outputFd_)) throw TerminalUnavailable(*why);
  // The signal handlers (the program's SignalPath) are already there:
  // ncurses then leaves these signals to us.
  tui::TerminalRestorer::arm(inputFd_, [] { endwin(); });
  if (auto why = terminal_->open(inputFd_, outputFd_)) {
    tui::TerminalRestorer::disarm();
    throw TerminalUnavailable(*why);
  }
  const std::weak_ptr<TerminalFrontend*> self = self_;
  watcher_ = std::make_unique<tui::InputWatcher>(
      inputFd_, -1, [this, self] { PostIfAlive(loop_, self, [](TerminalFrontend& f) { f.readInput(); }); }, [] {});
  watcher_->start();
  fullRedraw_ = true;
  redraw();
}

int TerminalFrontend::finish(int exitCode) {
  release();
  return exitCode;
}

void TerminalFrontend::release() {
  if (finished_) return;
  finished_ = true;
  pending_.close();
  stopWatching();
  terminal_->close();
  tui::TerminalRestorer::disarm();
}

void TerminalFrontend::stopWatching() {
  if (watcher_) watcher_->stop();
  watcher_.reset();
}

void TerminalFrontend::requestRedraw() {
  if (redrawPending_) return;
  redrawPending_ = true;
  const std::weak_ptr<TerminalFrontend*> self = self_;
  PostIfAlive(loop_, self, [](TerminalFrontend& f) { f.redraw(); });
}

void TerminalFrontend::redraw() {
  redrawPending_ = false;
  if (finished_ || !terminal_->isOpen()) return;
  render::RenderOptions options;
  options.columns = terminal_->columns();
  options.rows = terminal_->rows();
  options.selectedButton = router_.selectedButton();
  shown_ = render::RenderDisplay(display_, pictures_, options);
  terminal_->draw(*shown_, fullRedraw_);
  fullRedraw_ = false;
}

void TerminalFrontend::readInput() {
  if (finished_ || !terminal_->isOpen()) return;
  const auto events = terminal_->readEvents();
  if (events.empty() && terminal_->hungUp()) {
    // Nobody can type any more: the program is asked to close, once, and
    // the terminal is not watched again (it would report the same at once).
    requestClose();
    return;
  }
  if (watcher_) watcher_->resume();
  pending_.add(events);
}

void TerminalFrontend::route(const tui::KeyEvent& event) {
  if (event.kind == tui::KeyEvent::Kind::Redraw) {
    fullRedraw_ = true;
    requestRedraw();
    return;
  }
  if (event.kind == tui::KeyEvent::Kind::Quit) {
    // The question, if there is one, runs its own loop: not inside this key's routing.
    PostIfAlive(loop_, self_, [](TerminalFrontend& f) { f.personCloses(); });
    return;
  }
  // Clicks meet what the person saw: the screen as drawn last.
  const render::HitMap none;
  router_.handle(event, shown_ ? shown_->hits : none);
  // The highlighted button of a box lives here, not in the display.
  requestRedraw();
}

void TerminalFrontend::requestClose() {
  if (closeRequested_) return;
  closeRequested_ = true;
  input_.close();
}

void TerminalFrontend::personCloses() {
  if (closeRequested_ || asking_ || finished_) return;
  asking_ = true;
  const bool close = tui::PersonConfirmsClose(display_);
  asking_ = false;
  if (close) requestClose();
}

bool TerminalFrontend::signalled(int signal) {
  if (finished_) return true;
  // Before the terminal is ours there is nobody to ask: the program closes.
  if (!terminal_->isOpen()) return signal == SIGWINCH;
  if (signal == SIGWINCH) {
    terminal_->resize();
    fullRedraw_ = true;
    requestRedraw();
    return true;
  }
  // Ctrl+C from outside is a person's close; SIGTERM and SIGHUP (the
  // terminal went) leave nobody to ask, and close the program at once
  // through its normal close path. A second one changes nothing.
  if (signal == SIGINT) {
    personCloses();
  } else {
    requestClose();
  }
  return true;
}

void TerminalFrontend::messageBoxOpened(const platform::MessageBoxState& box) {
  router_.messageBoxOpened(box);
  requestRedraw();
}

}  // namespace p42r::frontends
