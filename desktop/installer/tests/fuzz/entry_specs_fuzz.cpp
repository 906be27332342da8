// A table row's cab list, icon spec and directory property as a package
// author might write them (three lines of ANSI text), handled the way the
// entry's files are written: split, parsed, guarded and joined to the
// directory.
//
// Splitting loses nothing but a final separator; a parsed spec is its key, a
// comma and its file name (and perhaps a final comma); a name that passes the guard holds no drive,
// stream or climbing part and names a file; the joined path is the
// directory, one backslash and the name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "AnsiText.h"
#include "DirectoryPaths.h"
#include "FileNameGuard.h"
#include "TextSplit.h"

namespace {

using namespace desksetup;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::wstring_view NextLine(std::wstring_view& text) {
  const std::size_t end = text.find(L'\n');
  const std::wstring_view line = text.substr(0, end);
  text = end == std::wstring_view::npos ? std::wstring_view() : text.substr(end + 1);
  return line;
}

void CheckSplit(std::wstring_view list) {
  const auto items = splitText(list, L';');
  std::wstring joined;
  for (std::size_t index = 0; index < items.size(); ++index) {
    if (index > 0) joined += L';';
    joined += items[index];
  }
  const std::wstring_view expected = !list.empty() && list.back() == L';' ? list.substr(0, list.size() - 1) : list;
  Check(joined == expected);
}

void CheckGuard(std::wstring_view name) {
  if (!staysInDirectory(name)) return;
  Check(!name.empty() && name.front() != L'\\' && name.front() != L'/');
  Check(name.find(L':') == std::wstring_view::npos);
  for (std::size_t start = 0; start <= name.size();) {
    std::size_t end = name.find_first_of(L"\\/", start);
    if (end == std::wstring_view::npos) end = name.size();
    const std::wstring_view part = name.substr(start, end - start);
    Check(part == L"." || part.find_first_not_of(L". ") != std::wstring_view::npos || part.empty());
    if (end == name.size()) Check(!part.empty() && part != L".");
    start = end + 1;
  }
}

// The spec's file name, when it would be written.
void CheckSpec(std::wstring_view spec, const std::string& directory) {
  const auto parsed = parseFileSpec(spec);
  Check(parsed.has_value() == (spec.find(L',') != std::wstring_view::npos));
  if (!parsed) return;
  // A final comma closes the file name's part and is no part of the name.
  const std::wstring whole = parsed->binaryKey + L',' + parsed->fileName;
  Check(whole == spec || whole + L',' == spec);
  CheckGuard(parsed->fileName);
  if (!staysInDirectory(parsed->fileName)) return;
  const std::string path = directory + toAnsi(parsed->fileName);
  Check(path.compare(0, directory.size(), directory) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text = toWide(std::string_view(reinterpret_cast<const char*>(data), size));
  std::wstring_view rest = text;
  const std::wstring_view cabList = NextLine(rest);
  const std::wstring_view iconSpec = NextLine(rest);
  const std::string target = toAnsi(NextLine(rest));

  // The directory the files go into, as the entry's file work makes it.
  (void)isDriveRoot(target);
  std::string directory = target;
  if (!directory.empty() && directory.back() == '\\') directory.pop_back();
  directory += '\\';
  Check(directory.size() <= target.size() + 1 && directory.back() == '\\');

  CheckSplit(cabList);
  for (const std::wstring& item : splitText(cabList, L';')) CheckSpec(item, directory);
  CheckSpec(iconSpec, directory);
  return 0;
}
