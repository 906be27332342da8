#include "FileNameGuard.h"

#include <algorithm>
#include <array>
#include <string>

namespace desksetup {

namespace {

bool isSeparator(wchar_t character) { return character == L'\\' || character == L'/'; }

// Windows drops trailing dots and spaces from path parts, so a part made of
// nothing else can mean the parent directory (".. ", "...").
bool onlyDotsAndSpaces(std::wstring_view part) {
  return !part.empty() && part.find_first_not_of(L". ") == std::wstring_view::npos;
}

// The part before its first dot, without the spaces Windows drops there,
// is one of the devices that exist in every directory.
bool isDeviceName(std::wstring_view part) {
  std::wstring base(part.substr(0, part.find(L'.')));
  while (!base.empty() && base.back() == L' ') {
    base.pop_back();
  }
  std::transform(base.begin(), base.end(), base.begin(),
                 [](wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; });
  static constexpr std::array<std::wstring_view, 4> kDevices = {L"CON", L"PRN", L"AUX", L"NUL"};
  if (std::find(kDevices.begin(), kDevices.end(), base) != kDevices.end()) {
    return true;
  }
  return base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")) && base[3] >= L'1' &&
         base[3] <= L'9';
}

bool isRefusedByWindows(std::wstring_view part) {
  return (part != L"." && (part.back() == L'.' || part.back() == L' ')) || isDeviceName(part);
}

}  // namespace

bool isPlainText(std::wstring_view text) {
  return std::none_of(text.begin(), text.end(),
                      [](wchar_t c) { return c == L'"' || c < L' ' || c == 0x7F || (c >= 0x80 && c < 0xA0); });
}

bool staysInDirectory(std::wstring_view fileName, NameRules rules) {
  if (fileName.empty() || isSeparator(fileName.front()) || !isPlainText(fileName)) {
    return false;
  }
  if (fileName.find(L':') != std::wstring_view::npos) {
    return false;  // a drive ("C:x") or an alternate data stream
  }
  bool namesAFile = false;
  std::size_t start = 0;
  while (start <= fileName.size()) {
    std::size_t end = start;
    while (end < fileName.size() && !isSeparator(fileName[end])) {
      ++end;
    }
    const auto part = fileName.substr(start, end - start);
    if (part != L"." && onlyDotsAndSpaces(part)) {
      return false;
    }
    if (rules == NameRules::Windows && !part.empty() && isRefusedByWindows(part)) {
      return false;
    }
    namesAFile = !part.empty() && part != L".";
    start = end + 1;
  }
  return namesAFile;  // the last part must name something, not the directory itself
}

}  // namespace desksetup
