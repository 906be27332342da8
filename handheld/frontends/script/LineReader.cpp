#include "frontends/script/LineReader.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

namespace p42r::frontends {

LineReader::LineReader(int fd, std::function<void(std::optional<std::string>)> onLine, std::function<void()> onEnd,
                       std::size_t longestLine)
    : fd_(fd),
      wakeFd_(::eventfd(0, EFD_CLOEXEC)),
      onLine_(std::move(onLine)),
      onEnd_(std::move(onEnd)),
      longestLine_(longestLine) {
  if (wakeFd_ < 0) throw std::runtime_error("eventfd failed");
}

LineReader::~LineReader() {
  stop();
  ::close(wakeFd_);
}

void LineReader::start() { thread_ = std::thread([this] { run(); }); }

void LineReader::stop() {
  if (!thread_.joinable()) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] const auto written = ::write(wakeFd_, &one, sizeof one);
  thread_.join();
}

void LineReader::run() {
  std::string pending;
  std::size_t searchedUpTo = 0;  // no line feed before this in `pending`
  bool dropping = false;         // inside a line that was too long
  char buffer[4096];
  pollfd fds[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  for (;;) {
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[1].revents != 0) return;  // stopped: the program is ending
    if (fds[0].revents == 0) continue;
    const ssize_t count = ::read(fd_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(count));
    deliver(pending, searchedUpTo, dropping);
  }
  if (!pending.empty() && !dropping) onLine_(std::move(pending));
  onEnd_();
}

void LineReader::deliver(std::string& pending, std::size_t& searchedUpTo, bool& dropping) {
  std::size_t start = 0;
  std::size_t newline;
  while ((newline = pending.find('\n', std::max(start, searchedUpTo))) != std::string::npos) {
    if (dropping) {
      dropping = false;
    } else if (newline - start > longestLine_) {
      onLine_(std::nullopt);
    } else {
      std::string line = pending.substr(start, newline - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      onLine_(std::move(line));
    }
    start = newline + 1;
  }
  pending.erase(0, start);
  searchedUpTo = pending.size();
  if (!dropping && pending.size() > longestLine_) {
    // Told once, when it is known to be too long; the rest goes unread into nothing.
    onLine_(std::nullopt);
    dropping = true;
  }
  if (dropping) {
    pending.clear();
    searchedUpTo = 0;
  }
}

}  // namespace p42r::frontends
