// Where a command's words go: the result (text or JSON lines) on one
// stream, progress and failures on the other. A progress line on a terminal
// redraws itself in place. A result stream that can no longer be written
// (its reader has gone, the disk is full) is told once to `onFailed`, which
// ends the run: nothing more could be told anyway.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include <nlohmann/json.hpp>

namespace p42r::frontends {

struct CommandStreams {
  std::FILE* output = stdout;    // the result (and --json's progress lines)
  std::FILE* progress = stderr;  // progress and failures as text
  int answerFd = -1;             // where a question is answered (a terminal), -1: none
};

class CommandOutput {
 public:
  CommandOutput(CommandStreams streams, bool json, std::function<void()> onFailed);

  // A notice on the way: a JSON line on the result stream with --json, else text on the progress stream.
  void progress(const nlohmann::ordered_json& notice, const std::string& text);
  // One result line: `result` with --json, else `text` as the terminal may show it.
  void line(const nlohmann::ordered_json& result, const std::string& text);
  // Text on the progress stream, one line (a failure, a note).
  void note(const std::string& text);
  // The run is over: a progress line that redraws itself gets its end, and what is buffered goes out.
  void close();

  bool json() const { return json_; }
  bool failed() const { return failed_; }

 private:
  void flush();

  CommandStreams streams_;
  bool json_;
  std::function<void()> onFailed_;
  bool failed_ = false;
  bool progressOnLine_ = false;
};

}  // namespace p42r::frontends
