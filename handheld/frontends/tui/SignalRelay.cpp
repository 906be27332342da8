#include "frontends/tui/SignalRelay.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <stdexcept>

namespace p42r::frontends::tui {

namespace {

std::atomic<int> relayFd{-1};

extern "C" void RelaySignal(int signal) {
  const int savedErrno = errno;
  const int fd = relayFd.load();
  if (fd >= 0) {
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
  }
  errno = savedErrno;
}

}  // namespace

SignalRelay::SignalRelay(const std::vector<int>& signals) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("pipe2 failed for the signal relay");
  readFd_ = fds[0];
  writeFd_ = fds[1];
  int expected = -1;
  if (!relayFd.compare_exchange_strong(expected, writeFd_)) {
    ::close(readFd_);
    ::close(writeFd_);
    throw std::logic_error("only one signal relay may exist at a time");
  }
  add(signals);
}

void SignalRelay::add(const std::vector<int>& signals) {
  for (int signal : signals) {
    if (std::any_of(saved_.begin(), saved_.end(), [signal](const Saved& s) { return s.signal == signal; })) continue;
    struct sigaction action {};
    action.sa_handler = RelaySignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    Saved saved{signal, {}};
    if (::sigaction(signal, &action, &saved.action) == 0) saved_.push_back(saved);
  }
}

SignalRelay::~SignalRelay() {
  for (const Saved& saved : saved_) ::sigaction(saved.signal, &saved.action, nullptr);
  relayFd.store(-1);
  ::close(readFd_);
  ::close(writeFd_);
}

std::vector<int> SignalRelay::read() {
  std::vector<int> signals;
  unsigned char buffer[64];
  for (;;) {
    const ssize_t count = ::read(readFd_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    for (ssize_t i = 0; i < count; ++i) signals.push_back(buffer[i]);
  }
  return signals;
}

}  // namespace p42r::frontends::tui
