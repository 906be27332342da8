#include "IniFile.h"

#include <algorithm>
#include <cctype>

namespace appmgr {

namespace {

std::string lowered(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char character) { return static_cast<char>(std::tolower(character)); });
  return result;
}

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) {
    return {};
  }
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

IniFile IniFile::parse(std::string_view text) {
  IniFile file;
  std::string section;
  bool inSection = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) {
      end = text.size();
    }
    const std::string_view line = trimmed(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == ';') {
      continue;
    }
    if (line.front() == '[') {
      const auto close = line.find(']');
      if (close != std::string_view::npos) {
        section = lowered(trimmed(line.substr(1, close - 1)));
        file.sections_[section];
        inSection = true;
      }
      continue;
    }
    const auto equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) {
      continue;
    }
    const std::string key = lowered(trimmed(line.substr(0, equals)));
    file.sections_[section].emplace(key, std::string(trimmed(line.substr(equals + 1))));
  }
  return file;
}

bool IniFile::hasSection(const std::string& section) const { return sections_.count(lowered(section)) != 0; }

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const {
  const auto found = sections_.find(lowered(section));
  if (found == sections_.end()) {
    return std::nullopt;
  }
  const auto entry = found->second.find(lowered(key));
  return entry == found->second.end() ? std::nullopt : std::optional<std::string>(entry->second);
}

}  // namespace appmgr
