// Gives the terminal back in a usable state however the program ends: the
// frontend's own finish, exit() from anywhere, an exception nobody caught,
// or a crash (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT). The
// terminal's settings are saved before the screen is taken over; restoring
// leaves the full-screen mode and puts the saved settings back. The crash
// path does only that and then lets the signal take its usual course.
#pragma once

#include <functional>

namespace p42r::frontends::tui {

class TerminalRestorer {
 public:
  // Saves the settings of terminal `fd`; `leaveScreen` ends the full-screen
  // mode (it runs on the crash path too, so it must not wait for anything).
  static void arm(int fd, std::function<void()> leaveScreen);
  // Restores once; later calls do nothing. Any thread.
  static void restore();
  // Forgets the saved state without restoring (the terminal was already given back).
  static void disarm();
  static bool armed();
};

}  // namespace p42r::frontends::tui
