// Reads standard input (or any descriptor) line by line on its own thread and
// hands each line to the user-interface thread. Stopping wakes the thread at
// once through an eventfd, so no thread outlives the program.
#pragma once

#include <functional>
#include <string>
#include <thread>

namespace p42r::frontends {

class LineReader {
 public:
  // `onLine` and `onEnd` are called on the reader's thread.
  LineReader(int fd, std::function<void(std::string)> onLine, std::function<void()> onEnd);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  void start();
  void stop();

 private:
  void run();

  int fd_;
  int wakeFd_;
  std::function<void(std::string)> onLine_;
  std::function<void()> onEnd_;
  std::thread thread_;
};

}  // namespace p42r::frontends
