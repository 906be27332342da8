#include "card/CommandParser.h"

namespace p42r::card {

namespace {

constexpr char kCarriageReturn = '\r';
constexpr char kLineFeed = '\n';
constexpr char kBackspace = '\b';

bool isLineBlank(char c) { return c == ' ' || c == '\t'; }

// Position of the first "AT" in any letter case, or npos.
std::size_t findAttention(const std::string& text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if ((text[i] == 'A' || text[i] == 'a') && (text[i + 1] == 'T' || text[i + 1] == 't')) {
      return i;
    }
  }
  return std::string::npos;
}

}  // namespace

std::optional<CommandLine> CommandParser::feed(char byte) {
  if (byte == kCarriageReturn || byte == kLineFeed) {
    if (!midLine()) {
      return std::nullopt;
    }
    return finishLine();
  }
  if (byte == kBackspace) {
    if (!pending_.empty() && !overflowed_) {
      pending_.pop_back();
    }
    return std::nullopt;
  }
  const auto value = static_cast<unsigned char>(byte);
  if ((value < 0x20 && byte != '\t') || value == 0x7F) {
    return std::nullopt;  // NUL and other control bytes are not part of a command
  }
  if (pending_.size() >= kMaxLineLength) {
    overflowed_ = true;
    pending_.clear();
    return std::nullopt;
  }
  if (!overflowed_) {
    pending_.push_back(byte);
  }
  return std::nullopt;
}

CommandLine CommandParser::finishLine() {
  CommandLine line;
  if (overflowed_) {
    line.kind = LineKind::TooLong;
  } else {
    const std::size_t start = findAttention(pending_);
    if (start == std::string::npos) {
      line.kind = LineKind::Noise;
    } else {
      std::size_t end = pending_.size();
      while (end > start && isLineBlank(pending_[end - 1])) {
        --end;
      }
      line.text = pending_.substr(start, end - start);
    }
  }
  pending_.clear();
  overflowed_ = false;
  return line;
}

}  // namespace p42r::card
