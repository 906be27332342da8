// Turns the bytes a host writes into command lines, the way a modem's command
// line editor does. A line ends at CR or at LF, so CR, LF and CR LF each end
// one command (the empty line between a CR and its LF is nothing). NUL bytes
// are dropped, backspace removes the last character, other control bytes are
// ignored, and whatever stands before the first "AT" of a line is line noise.
// Pure: bytes in, lines out, no time and no I/O.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace p42r::card {

enum class LineKind {
  Command,  // text starts with "AT" (in any letter case)
  Noise,    // a line without "AT": a modem ignores it
  TooLong,  // more than kMaxLineLength characters: refused
};

struct CommandLine {
  LineKind kind = LineKind::Command;
  std::string text;  // trimmed, from the "AT" on; empty for noise and overlong lines
};

class CommandParser {
public:
  static constexpr std::size_t kMaxLineLength = 1024;

  // Takes one received byte; gives a line when the byte ended one.
  std::optional<CommandLine> feed(char byte);

  // Characters of an unfinished line are waiting.
  bool midLine() const { return !pending_.empty() || overflowed_; }

private:
  CommandLine finishLine();

  std::string pending_;
  bool overflowed_ = false;
};

}  // namespace p42r::card
