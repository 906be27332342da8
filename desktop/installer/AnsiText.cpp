#include "AnsiText.h"

#include "Win32Api.h"

#include <vector>

namespace desksetup {

std::wstring toWide(std::string_view ansi) {
  if (ansi.empty()) {
    return {};
  }
  const int inputLength = static_cast<int>(ansi.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), inputLength, nullptr, 0);
  if (length <= 0) {
    return {};
  }
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), inputLength, wide.data(), length);
  return wide;
}

std::string toAnsi(std::wstring_view wide) {
  if (wide.empty()) {
    return {};
  }
  const int inputLength = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), inputLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) {
    return {};
  }
  std::string ansi(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), inputLength, ansi.data(), length, nullptr, nullptr);
  return ansi;
}

std::string fillIn(std::string_view templateText, std::initializer_list<std::string_view> values) {
  std::string text;
  text.reserve(templateText.size() + 64);
  auto value = values.begin();
  for (std::size_t at = 0; at < templateText.size(); ++at) {
    if (templateText[at] == '%' && at + 1 < templateText.size() && templateText[at + 1] == 's') {
      if (value != values.end()) {
        text += *value;
        ++value;
      }
      ++at;
    } else {
      text += templateText[at];
    }
  }
  return text;
}

}  // namespace desksetup
