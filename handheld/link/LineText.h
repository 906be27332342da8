// Trimming as the device link does it: blanks, tabs, line ends and the other
// characters the platform counts as space, on both sides.
#pragma once

#include <string>
#include <string_view>

namespace p42r::link {

inline bool IsSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\u3000';
}

inline std::u16string TrimSpace(std::u16string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsSpace(text[begin])) ++begin;
  while (end > begin && IsSpace(text[end - 1])) --end;
  return std::u16string(text.substr(begin, end - begin));
}

}  // namespace p42r::link
