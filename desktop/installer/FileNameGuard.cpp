#include "FileNameGuard.h"

namespace desksetup {

namespace {

bool isSeparator(wchar_t character) { return character == L'\\' || character == L'/'; }

// Windows drops trailing dots and spaces from path parts, so a part made of
// nothing else can mean the parent directory (".. ", "...").
bool onlyDotsAndSpaces(std::wstring_view part) {
  return !part.empty() && part.find_first_not_of(L". ") == std::wstring_view::npos;
}

}  // namespace

bool staysInDirectory(std::wstring_view fileName) {
  if (fileName.empty() || isSeparator(fileName.front())) {
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
    namesAFile = !part.empty() && part != L".";
    start = end + 1;
  }
  return namesAFile;  // the last part must name something, not the directory itself
}

}  // namespace desksetup
