#include "link/LineAssembler.h"

#include <algorithm>

#include "link/LineText.h"

namespace p42r::link {

void LineAssembler::StartAnswerTo(std::u16string_view command) {
  ClearBuffer();
  droppingLine_ = false;
  cutOffBytes_.clear();
  echo_ = TrimSpace(command);
}

std::vector<std::u16string> LineAssembler::Feed(std::string_view bytes) {
  Append(bytes);
  return ScanLines();
}

void LineAssembler::Append(std::string_view bytes) {
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  if (bytes.empty()) return;
  if (droppingLine_) {
    // A line feed is never the second byte of a two-byte character, so an
    // overlong line is dropped as bytes, without converting what a flood sends.
    cutOffBytes_.clear();
    const std::size_t lineFeed = bytes.find('\n');
    if (lineFeed == std::string_view::npos) return;
    // The line feed ends the dropped line; the next trim removes it.
    bytes.remove_prefix(lineFeed);
    droppingLine_ = false;
  }
  // A read may end inside a two-byte character: its first byte waits for the
  // rest instead of becoming a replacement character.
  std::string pending = std::move(cutOffBytes_);
  pending.append(bytes);
  std::size_t cutOff = 0;
  std::u16string text = codePage_.toWidePiece(pending, cutOff);
  cutOffBytes_ = pending.substr(pending.size() - cutOff);
  if (text.empty()) return;
  buffer_ += text;
  ++bufferVersion_;
}

void LineAssembler::ClearBuffer() {
  buffer_.clear();
  bufferStart_ = 0;
  searchedUpTo_ = 0;
  ++bufferVersion_;
}

std::vector<std::u16string> LineAssembler::ScanLines() {
  std::vector<std::u16string> lines;
  for (;;) {
    if (bufferStart_ >= buffer_.size()) {
      ClearBuffer();
      break;
    }
    std::size_t start = bufferStart_;
    while (start < buffer_.size() && IsSpace(buffer_[start])) ++start;
    if (start != bufferStart_) {
      bufferStart_ = start;
      ++bufferVersion_;
      if (bufferStart_ >= buffer_.size()) continue;
    }
    // Nothing changed since the last scan: there is no line feed to find.
    if (hasScanned_ && scannedVersion_ == bufferVersion_) break;
    hasScanned_ = true;
    scannedVersion_ = bufferVersion_;
    const std::size_t from = std::max(searchedUpTo_, bufferStart_);
    const std::size_t lineFeed = buffer_.find(u'\n', from);
    if (lineFeed == std::u16string::npos) {
      if (buffer_.size() - bufferStart_ > kLongestLine) {
        ClearBuffer();
        droppingLine_ = true;
        break;
      }
      searchedUpTo_ = buffer_.size();
      continue;
    }
    if (lineFeed - bufferStart_ > kLongestLine) {
      // Too long to be a line of the card's, even with its line feed here.
      bufferStart_ = lineFeed;
      searchedUpTo_ = lineFeed;
      ++bufferVersion_;
      continue;
    }
    std::u16string line = TrimSpace(std::u16string_view(buffer_).substr(bufferStart_, lineFeed - bufferStart_));
    bufferStart_ = lineFeed;  // the line feed stays; the next trim removes it
    searchedUpTo_ = lineFeed;
    ++bufferVersion_;
    if (line == echo_) continue;  // the card's echo of the command
    lines.push_back(std::move(line));
  }
  // Give back the space of what was consumed, now and then.
  if (bufferStart_ > 4096 && bufferStart_ * 2 > buffer_.size()) {
    buffer_.erase(0, bufferStart_);
    searchedUpTo_ = searchedUpTo_ > bufferStart_ ? searchedUpTo_ - bufferStart_ : 0;
    bufferStart_ = 0;
  }
  return lines;
}

}  // namespace p42r::link
