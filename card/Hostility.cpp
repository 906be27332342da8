#include "card/Hostility.h"

#include "card/CardEngine.h"
#include "card/ReplyWriter.h"

#include <array>

namespace p42r::card {

namespace {

// Commands whose answers a confused card may give in place of another's.
constexpr std::array<std::string_view, 9> kQueries = {
    "AT", "AT+GMI", "AT+GMM", "ATI1", "AT@HYBRRSSI?", "AT@ALDR=1", "AT@ALDR=2", "AT@CNLTRT", "AT&OP=APP?",
};

// Pieces that are not CP932: a lead byte with a trail byte out of range,
// bytes that begin no character, a lead byte left without its trail byte.
constexpr std::array<std::string_view, 8> kInvalidPieces = {
    "\x81\x7F", "\xFF", "\x80", "\xA0", "\x85\x20", "\xFD", "\xEF\x3F", "\x9F\x0D",
};

}  // namespace

Hostility::Hostility(HostileBehaviour behaviour)
    : behaviour_(std::move(behaviour)), random_(behaviour_.seed), active_(behaviour_.from.empty()) {}

void Hostility::commandArrived(std::string_view text) {
  if (!active_ && commandBeginsWith(text, behaviour_.from)) {
    active_ = true;
  }
}

bool Hostility::roll(int percent) {
  return percent > 0 && static_cast<int>(random_() % 100) < percent;
}

std::size_t Hostility::below(std::size_t bound) { return bound == 0 ? 0 : static_cast<std::size_t>(random_() % bound); }

std::string Hostility::randomBytes() {
  std::string bytes(1 + below(behaviour_.randomBytesMax), '\0');
  for (char& byte : bytes) {
    byte = static_cast<char>(random_() & 0xFF);
  }
  return bytes;
}

std::string Hostility::longLine() {
  // Printable bytes, so the run looks like text that never ends.
  std::string bytes(behaviour_.longLineBytes, 'x');
  for (std::size_t i = 0; i < bytes.size(); i += 61) {
    bytes[i] = static_cast<char>('A' + below(26));
  }
  return bytes;
}

std::string Hostility::nulCrBurst() {
  std::string bytes(1 + below(512), '\0');
  for (char& byte : bytes) {
    byte = (random_() & 1) != 0 ? '\r' : '\0';
  }
  return bytes;
}

std::string Hostility::notice() {
  if (behaviour_.notices.empty()) {
    return {};
  }
  return ReplyWriter::frame(behaviour_.notices[below(behaviour_.notices.size())]);
}

std::string Hostility::invalidText() {
  // The first piece is always one that is not CP932.
  std::string text(kInvalidPieces[below(kInvalidPieces.size())]);
  const std::size_t pieces = below(12);
  for (std::size_t i = 0; i < pieces; ++i) {
    if ((random_() & 3) == 0) {
      text += static_cast<char>('A' + below(26));
    } else {
      text += kInvalidPieces[below(kInvalidPieces.size())];
    }
  }
  if ((random_() & 1) != 0) {
    text += '\x83';  // a lead byte whose trail byte never comes
  }
  return text;
}

std::string Hostility::frameLine(std::string_view line) {
  if (!active_) {
    return ReplyWriter::frame(line);
  }
  std::string bytes;
  if (roll(behaviour_.randomBytesPercent)) bytes += randomBytes();
  if (roll(behaviour_.nulCrPercent)) bytes += nulCrBurst();
  if (roll(behaviour_.longLinePercent)) bytes += longLine();
  if (roll(behaviour_.unsolicitedPercent)) bytes += notice();
  bytes += roll(behaviour_.invalidTextPercent) ? ReplyWriter::frame(invalidText()) : ReplyWriter::frame(line);
  return bytes;
}

std::string Hostility::noise() {
  if (!active_) {
    return {};
  }
  // One of the kinds the scenario uses, chosen at random.
  std::array<int, 5> kinds{};
  std::size_t count = 0;
  if (behaviour_.randomBytesPercent > 0) kinds[count++] = 0;
  if (behaviour_.nulCrPercent > 0) kinds[count++] = 1;
  if (behaviour_.longLinePercent > 0) kinds[count++] = 2;
  if (behaviour_.unsolicitedPercent > 0) kinds[count++] = 3;
  if (behaviour_.invalidTextPercent > 0) kinds[count++] = 4;
  if (count == 0) {
    return randomBytes();
  }
  switch (kinds[below(count)]) {
    case 0: return randomBytes();
    case 1: return nulCrBurst();
    case 2: return longLine();
    case 3: return notice();
    default: return ReplyWriter::frame(invalidText());
  }
}

std::optional<std::string> Hostility::wrongCommand(std::string_view text) {
  if (!active_ || !roll(behaviour_.wrongReplyPercent)) {
    return std::nullopt;
  }
  for (;;) {
    const std::string_view other = kQueries[below(kQueries.size())];
    if (!commandBeginsWith(text, other) || other.size() != text.size()) {
      return std::string(other);
    }
  }
}

}  // namespace p42r::card
