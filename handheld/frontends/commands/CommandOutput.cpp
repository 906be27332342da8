#include "frontends/commands/CommandOutput.h"

#include <unistd.h>

#include <utility>

#include "frontends/commands/TerminalSafe.h"

namespace p42r::frontends {

CommandOutput::CommandOutput(CommandStreams streams, bool json, std::function<void()> onFailed)
    : streams_(streams), json_(json), onFailed_(std::move(onFailed)) {}

void CommandOutput::progress(const nlohmann::ordered_json& notice, const std::string& text) {
  if (json_) {
    const std::string line = notice.dump() + "\n";
    std::fputs(line.c_str(), streams_.output);
    flush();
    return;
  }
  if (::isatty(::fileno(streams_.progress)) == 0) {
    std::fprintf(streams_.progress, "%s\n", TerminalSafe(text).c_str());
  } else {
    // One line that redraws itself, cleared to its end.
    std::fprintf(streams_.progress, "\r\033[K%s", TerminalSafe(text).c_str());
    progressOnLine_ = true;
  }
  std::fflush(streams_.progress);
}

void CommandOutput::line(const nlohmann::ordered_json& result, const std::string& text) {
  // JSON escapes what it carries; text goes to a terminal as it is.
  const std::string line = json_ ? nlohmann::ordered_json(result).dump() : TerminalSafe(text);
  std::fprintf(streams_.output, "%s\n", line.c_str());
  flush();
}

void CommandOutput::note(const std::string& text) {
  std::fprintf(streams_.progress, "%s\n", TerminalSafe(text).c_str());
}

void CommandOutput::close() {
  if (progressOnLine_) std::fputc('\n', streams_.progress);
  progressOnLine_ = false;
  std::fflush(streams_.output);
}

void CommandOutput::flush() {
  if (std::fflush(streams_.output) == 0 && std::ferror(streams_.output) == 0) return;
  if (failed_) return;
  failed_ = true;
  onFailed_();
}

}  // namespace p42r::frontends
