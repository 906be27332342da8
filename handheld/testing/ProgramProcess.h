// Runs the p42r program as a child process in script mode and talks to it
// through its standard input and output, with a deadline on every read so a
// test fails instead of hanging. The child is killed if the test ends first.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace p42r::testing {

class ProgramProcess {
 public:
  using Json = nlohmann::ordered_json;
  static constexpr std::chrono::milliseconds kDefaultDeadline{10000};

  // Starts `program` with `arguments`.
  ProgramProcess(const std::string& program, const std::vector<std::string>& arguments);
  ~ProgramProcess();
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  void send(const std::string& line);
  void closeInput();

  // The next output line as JSON; nothing when the deadline passes or the output ends.
  std::optional<Json> next(std::chrono::milliseconds deadline = kDefaultDeadline);
  // Reads until a line satisfies `match`; the lines skipped on the way are kept in `skipped()`.
  std::optional<Json> nextMatching(const std::function<bool(const Json&)>& match,
                                   std::chrono::milliseconds deadline = kDefaultDeadline);
  // Sends a command and returns its reply (events before it are kept in `skipped()`).
  std::optional<Json> command(const std::string& line, std::chrono::milliseconds deadline = kDefaultDeadline);
  std::optional<Json> nextEvent(const std::string& event, std::chrono::milliseconds deadline = kDefaultDeadline);

  // Waits for the child to end; its exit code, or nothing on deadline.
  std::optional<int> wait(std::chrono::milliseconds deadline = kDefaultDeadline);

  // Everything read so far that was not returned by next*/command.
  const std::vector<Json>& skipped() const { return skipped_; }
  // Forgets what skipped() and lines() hold (a long conversation keeps them small).
  void forget() {
    skipped_.clear();
    lines_.clear();
  }
  pid_t pid() const { return pid_; }
  // Once wait() has seen the child end: its peak resident memory in KiB.
  std::optional<long> peakResidentKb() const { return peakResidentKb_; }
  // All raw output lines read so far.
  const std::vector<std::string>& lines() const { return lines_; }
  // What the program wrote to standard error since the last call.
  std::string standardError();
  // All it wrote to standard error that was read so far.
  const std::string& errorsSeen() const { return errorSeen_; }
  // Waits until everything the program wrote to standard error holds `text`
  // at least `count` times (the card's trace, a diagnostic).
  bool awaitStandardError(const std::string& text, std::size_t count = 1,
                          std::chrono::milliseconds deadline = kDefaultDeadline);

 private:
  std::optional<std::string> readLine(std::chrono::steady_clock::time_point deadline);

  pid_t pid_ = -1;
  int input_ = -1;
  int output_ = -1;
  int error_ = -1;
  std::string buffer_;
  std::string errorSeen_;
  std::vector<std::string> lines_;
  std::vector<Json> skipped_;
  std::optional<int> exitCode_;
  std::optional<long> peakResidentKb_;
};

}  // namespace p42r::testing
