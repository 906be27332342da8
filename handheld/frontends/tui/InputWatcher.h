// A small thread that waits, without spinning, until the terminal has input
// or a signal has come, and tells the user-interface thread; it never reads
// the terminal itself, which stays the user-interface thread's alone.
//
// After reporting input it waits for resume(): the reader has taken what
// was there, so the terminal is watched again only then. stop() wakes the
// thread at once through an eventfd and joins it.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace p42r::frontends::tui {

class InputWatcher {
 public:
  // `onInput` and `onSignal` run on the watcher's thread; `onSignal` must read
  // what is waiting on `signalFd` (which may be -1: no signals watched).
  InputWatcher(int inputFd, int signalFd, std::function<void()> onInput, std::function<void()> onSignal);
  ~InputWatcher();
  InputWatcher(const InputWatcher&) = delete;
  InputWatcher& operator=(const InputWatcher&) = delete;

  void start();
  // Any thread: the input reported last has been read; watch the terminal again.
  void resume();
  void stop();

 private:
  void run();

  int inputFd_;
  int signalFd_;
  int wakeFd_;
  std::function<void()> onInput_;
  std::function<void()> onSignal_;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace p42r::frontends::tui
