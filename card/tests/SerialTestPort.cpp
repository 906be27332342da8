#include "card/tests/SerialTestPort.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace p42r::card::testing {

namespace {

int remainingMs(std::chrono::steady_clock::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

}  // namespace

SerialTestPort::SerialTestPort(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) return;
  termios settings{};
  ::tcgetattr(fd_, &settings);
  ::cfmakeraw(&settings);
  ::cfsetspeed(&settings, B115200);
  ::tcsetattr(fd_, TCSANOW, &settings);
  ::ioctl(fd_, TIOCEXCL);
}

SerialTestPort::~SerialTestPort() {
  if (fd_ >= 0) ::close(fd_);
}

void SerialTestPort::writeCommand(std::string_view text) {
  std::string bytes(text);
  bytes += "\r\n";
  bytes.push_back('\0');
  writeBytes(bytes);
}

void SerialTestPort::writeBytes(std::string_view bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = ::write(fd_, bytes.data() + written, bytes.size() - written);
    if (count < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      throw std::runtime_error("write to the card's pty failed");
    }
    written += static_cast<std::size_t>(count);
  }
}

std::string SerialTestPort::readUntil(std::string_view expected, std::chrono::milliseconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  std::string received;
  while (received.find(expected) == std::string::npos) {
    pollfd wait{fd_, POLLIN, 0};
    const int ready = ::poll(&wait, 1, remainingMs(end));
    if (ready == 0) break;  // deadline
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    char buffer[512];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count > 0) {
      received.append(buffer, static_cast<std::size_t>(count));
      total_.append(buffer, static_cast<std::size_t>(count));
    } else if (count < 0 && (errno == EAGAIN || errno == EINTR)) {
      continue;
    } else {
      break;  // hung up
    }
  }
  return received;
}

bool SerialTestPort::waitForTotal(std::string_view expected, std::chrono::milliseconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (total_.find(expected) == std::string::npos) {
    const int left = remainingMs(end);
    if (left == 0) return false;
    readUntil(expected, std::chrono::milliseconds(left));
  }
  return true;
}

bool SerialTestPort::waitForHangUp(std::chrono::milliseconds deadline) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  for (;;) {
    pollfd wait{fd_, POLLIN, 0};
    const int ready = ::poll(&wait, 1, remainingMs(end));
    if (ready == 0) return false;
    if (ready < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    char buffer[512];
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count == 0 || (count < 0 && errno == EIO)) return true;
  }
}

}  // namespace p42r::card::testing
