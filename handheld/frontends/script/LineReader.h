// Reads standard input (or any descriptor) line by line on its own thread and
// hands each line to the user-interface thread. Stopping wakes the thread at
// once through an eventfd, so no thread outlives the program. A line longer
// than the limit is no command: it is dropped up to its line feed as it
// arrives, so memory stays bounded and the cost linear in the input.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace p42r::frontends {

class LineReader {
 public:
  static constexpr std::size_t kLongestLine = 64 * 1024;

  // `onLine` and `onEnd` are called on the reader's thread; `onLine` gets
  // nothing for a line longer than `longestLine` bytes, which was dropped.
  LineReader(int fd, std::function<void(std::optional<std::string>)> onLine, std::function<void()> onEnd,
             std::size_t longestLine = kLongestLine);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  void start();
  void stop();

 private:
  void run();
  // Hands on the complete lines of `pending` and drops what an overlong line left.
  void deliver(std::string& pending, std::size_t& searchedUpTo, bool& dropping);

  int fd_;
  int wakeFd_;
  std::function<void(std::optional<std::string>)> onLine_;
  std::function<void()> onEnd_;
  std::size_t longestLine_;
  std::thread thread_;
};

}  // namespace p42r::frontends
