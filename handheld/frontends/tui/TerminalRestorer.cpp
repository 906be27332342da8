#include "frontends/tui/TerminalRestorer.h"

#include <termios.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <mutex>

namespace p42r::frontends::tui {

namespace {

struct State {
  int fd = -1;
  termios saved{};
  std::function<void()> leaveScreen;
};

State state;
std::atomic<bool> pending{false};
std::once_flag hooksInstalled;
std::terminate_handler previousTerminate = nullptr;

void RestoreNow() {
  if (!pending.exchange(false)) return;
  if (state.leaveScreen) state.leaveScreen();
  ::tcsetattr(state.fd, TCSAFLUSH, &state.saved);
}

extern "C" void RestoreAtExit() { RestoreNow(); }

extern "C" void RestoreOnCrash(int signal) {
  RestoreNow();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void RestoreOnTerminate() {
  RestoreNow();
  if (previousTerminate != nullptr) previousTerminate();
  std::abort();
}

void InstallHooks() {
  std::atexit(RestoreAtExit);
  previousTerminate = std::set_terminate(RestoreOnTerminate);
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT}) {
    struct sigaction action {};
    action.sa_handler = RestoreOnCrash;
    sigemptyset(&action.sa_mask);
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    ::sigaction(signal, &action, nullptr);
  }
}

}  // namespace

void TerminalRestorer::arm(int fd, std::function<void()> leaveScreen) {
  std::call_once(hooksInstalled, InstallHooks);
  state.fd = fd;
  ::tcgetattr(fd, &state.saved);
  state.leaveScreen = std::move(leaveScreen);
  pending.store(true);
}

void TerminalRestorer::restore() { RestoreNow(); }

void TerminalRestorer::disarm() { pending.store(false); }

bool TerminalRestorer::armed() { return pending.load(); }

}  // namespace p42r::frontends::tui
