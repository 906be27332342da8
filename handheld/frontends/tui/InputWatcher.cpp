#include "frontends/tui/InputWatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace p42r::frontends::tui {

InputWatcher::InputWatcher(int inputFd, int signalFd, std::function<void()> onInput, std::function<void()> onSignal)
    : inputFd_(inputFd),
      signalFd_(signalFd),
      wakeFd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      onInput_(std::move(onInput)),
      onSignal_(std::move(onSignal)) {
  if (wakeFd_ < 0) throw std::runtime_error("eventfd failed for the input watcher");
}

InputWatcher::~InputWatcher() {
  stop();
  ::close(wakeFd_);
}

void InputWatcher::start() {
  if (thread_.joinable()) return;
  stopping_.store(false);
  thread_ = std::thread([this] { run(); });
}

void InputWatcher::resume() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
}

void InputWatcher::stop() {
  if (!thread_.joinable()) return;
  stopping_.store(true);
  resume();
  thread_.join();
}

void InputWatcher::run() {
  bool watchingInput = true;
  while (!stopping_.load()) {
    pollfd fds[3];
    nfds_t count = 0;
    fds[count++] = {wakeFd_, POLLIN, 0};
    const nfds_t signalSlot = signalFd_ >= 0 ? count : 99;
    if (signalFd_ >= 0) fds[count++] = {signalFd_, POLLIN, 0};
    const nfds_t inputSlot = watchingInput ? count : 99;
    if (watchingInput) fds[count++] = {inputFd_, POLLIN, 0};
    if (::poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if ((fds[0].revents & POLLIN) != 0) {
      std::uint64_t value = 0;
      [[maybe_unused]] const auto got = ::read(wakeFd_, &value, sizeof value);
      if (stopping_.load()) return;
      watchingInput = true;
    }
    if (signalSlot != 99 && (fds[signalSlot].revents & POLLIN) != 0) onSignal_();
    if (inputSlot != 99 && fds[inputSlot].revents != 0) {
      // Readable, or hung up: either way the reader must look. Until it has,
      // the terminal is not watched, so a hang-up does not spin this thread.
      watchingInput = false;
      onInput_();
    }
  }
}

}  // namespace p42r::frontends::tui
