// Cuts the bytes the card sends into the lines a screen receives. Bytes go
// in as they were read, in any pieces; out come trimmed, non-blank lines,
// without the echo of the last command. A read ends at its first NUL; a
// character whose bytes are split between reads waits for the rest; a line
// longer than kLongestLine is dropped as it arrives, up to its line feed,
// so bytes without line feeds never grow the buffer beyond that.
//
// No threads, no port, no clock: the serial channel keeps one under its lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/TextConversion.h"

namespace p42r::link {

class LineAssembler {
 public:
  // The longest line delivered, in characters.
  static constexpr std::size_t kLongestLine = 16 * 1024;

  explicit LineAssembler(const platform::CodePage& codePage) : codePage_(codePage) {}

  // A command goes out: what follows is its answer, whatever came before,
  // and a line equal to the trimmed command is its echo.
  void StartAnswerTo(std::u16string_view command);
  // Takes one read's bytes and returns the lines they complete.
  std::vector<std::u16string> Feed(std::string_view bytes);

  // The trimmed command whose echo is dropped.
  const std::u16string& echo() const { return echo_; }
  // Characters received and not yet delivered or dropped.
  std::size_t pendingCharacters() const { return buffer_.size() - std::min(bufferStart_, buffer_.size()); }

 private:
  void Append(std::string_view bytes);
  std::vector<std::u16string> ScanLines();
  void ClearBuffer();

  const platform::CodePage& codePage_;
  // The buffer is text from `bufferStart_` on; what the scan has already
  // looked at is remembered so a burst without line feeds costs linear time.
  std::u16string buffer_;
  std::size_t bufferStart_ = 0;
  std::size_t searchedUpTo_ = 0;
  std::uint64_t bufferVersion_ = 0;
  std::uint64_t scannedVersion_ = 0;
  bool hasScanned_ = false;
  // The start of a character whose remaining bytes have not arrived yet.
  std::string cutOffBytes_;
  // An overlong line is being dropped up to its line feed.
  bool droppingLine_ = false;
  std::u16string echo_;
};

}  // namespace p42r::link
