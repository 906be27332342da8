// The terminal frontend in-process on a pseudo-terminal: what it does when
// the terminal goes away under it.
#include "frontends/tui/TerminalFrontend.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <fcntl.h>

#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "ClosingFrame.h"

namespace p42r::frontends {
namespace {

// Sets TERM for one test and puts it back afterwards.
class TerminalTypeForTest {
 public:
  TerminalTypeForTest() {
    const char* before = std::getenv("TERM");
    if (before != nullptr) before_ = before;
  }
  ~TerminalTypeForTest() {
    if (before_) {
      ::setenv("TERM", before_->c_str(), 1);
    } else {
      ::unsetenv("TERM");
    }
  }
  void set(const char* type) { type != nullptr ? ::setenv("TERM", type, 1) : ::unsetenv("TERM"); }

 private:
  std::optional<std::string> before_;
};

struct PseudoTerminal {
  int master = -1;
  int slave = -1;
  PseudoTerminal() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
    slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    winsize size{24, 80, 0, 0};
    ::ioctl(master, TIOCSWINSZ, &size);
  }
  ~PseudoTerminal() {
    closeMaster();
    if (slave >= 0) ::close(slave);
  }
  void closeMaster() {
    if (master >= 0) ::close(master);
    master = -1;
  }
};

TEST(TerminalFrontendOnAPty, ATerminalThatGoesAwayAsksTheProgramToCloseOnce) {
  TerminalTypeForTest type;
  type.set("xterm-256color");
  platform::ManualClock clock;
  platform::EventLoop loop{clock};
  platform::WindowSystem windows{loop};
  platform::Display display{loop};
  tui::testing::ClosingFrame frame{windows};
  display.setFrameWindow(frame.handle());
  PseudoTerminal pty;
  ASSERT_GE(pty.slave, 0);
  TerminalFrontend frontend(display, windows, pty.slave, pty.slave);
  ASSERT_FALSE(TerminalFrontend::Unavailable(pty.slave, pty.slave).has_value());
  frontend.start();
  // No hang-up signal comes: the pty is not the process's controlling terminal.
  pty.closeMaster();
  bool timedOut = false;
  const auto alarm = loop.addRealTimeAlarm(std::chrono::steady_clock::now() + std::chrono::seconds(5),
                                           [&] { timedOut = true; });
  loop.runModal([&] { return frame.closes > 0 || timedOut; });
  loop.cancelRealTimeAlarm(alarm);
  EXPECT_EQ(frame.closes, 1) << "the hang-up was not taken for the end of the terminal";
  frontend.finish(0);
}

TEST(TerminalFrontendOnAPty, AnUnknownOrUnfitTerminalTypeIsRefusedBeforeItIsTakenOver) {
  PseudoTerminal pty;
  ASSERT_GE(pty.slave, 0);
  TerminalTypeForTest type;
  type.set("no-such-terminal");
  const auto unknown = TerminalFrontend::Unavailable(pty.slave, pty.slave);
  type.set("dumb");
  const auto dumb = TerminalFrontend::Unavailable(pty.slave, pty.slave);
  type.set(nullptr);
  const auto unset = TerminalFrontend::Unavailable(pty.slave, pty.slave);
  type.set("xterm");
  const auto usable = TerminalFrontend::Unavailable(pty.slave, pty.slave);
  ASSERT_TRUE(unknown.has_value());
  EXPECT_NE(unknown->find("'no-such-terminal' is unknown"), std::string::npos) << *unknown;
  ASSERT_TRUE(dumb.has_value());
  EXPECT_NE(dumb->find("cannot place the cursor"), std::string::npos) << *dumb;
  ASSERT_TRUE(unset.has_value());
  EXPECT_NE(unset->find("TERM is not set"), std::string::npos) << *unset;
  EXPECT_FALSE(usable.has_value()) << *usable;
}

}  // namespace
}  // namespace p42r::frontends
