// The splitting rules of the table's list columns: a cab list is split at
// semicolons into items, and a cab item or the icon spec is split at commas
// into a Binary key and a file name.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace desksetup {

// Every separator closes a part, even an empty one; the text after the last
// separator is a part only when it is not empty; an empty text has no parts.
template <typename Char>
std::vector<std::basic_string<Char>> splitText(std::basic_string_view<Char> text, Char separator) {
  std::vector<std::basic_string<Char>> parts;
  std::size_t start = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == separator) {
      parts.emplace_back(text.substr(start, at - start));
      start = at + 1;
    }
  }
  if (start < text.size()) {
    parts.emplace_back(text.substr(start));
  }
  return parts;
}

// A Binary key and the file name its stream is written to.
struct FileSpec {
  std::wstring binaryKey;
  std::wstring fileName;
};

// Exactly two comma parts are key and file name; otherwise, when the text
// holds a comma, the key is the text before the first comma and the file
// name all that follows. Without a comma the item is invalid (nullopt).
std::optional<FileSpec> parseFileSpec(std::wstring_view spec);

}  // namespace desksetup
