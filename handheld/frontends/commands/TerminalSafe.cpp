#include "frontends/commands/TerminalSafe.h"

namespace p42r::frontends {

namespace {

void AppendCaret(std::string& out, unsigned char control) {
  out += '^';
  out += control == 0x7F ? '?' : static_cast<char>(control ^ 0x40);
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n' || c == '\t') {
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      AppendCaret(out, c);
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) < 0xA0 &&
               static_cast<unsigned char>(text[i + 1]) >= 0x80) {
      // U+0080 to U+009F, the C1 controls.
      out += "M-";
      AppendCaret(out, static_cast<unsigned char>(text[++i]) - 0x80);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace p42r::frontends
