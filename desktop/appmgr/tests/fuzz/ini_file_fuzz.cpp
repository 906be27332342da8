// Arbitrary text as an application's .ini file for the application manager:
// every section and key the text names is found again whatever the letter
// case it is asked with, and every value comes back without surrounding blanks.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "IniFile.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const appmgr::IniFile file = appmgr::IniFile::parse(text);
  // Looks up every "[name]" and every "key =" the text holds, in the section above it.
  std::string section;
  bool inSection = false;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && Blank(line.front())) line.remove_prefix(1);
    while (!line.empty() && Blank(line.back())) line.remove_suffix(1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      if (close == std::string_view::npos) continue;
      std::string_view name = line.substr(1, close - 1);
      while (!name.empty() && Blank(name.front())) name.remove_prefix(1);
      while (!name.empty() && Blank(name.back())) name.remove_suffix(1);
      section = std::string(name);
      inSection = true;
      Check(file.hasSection(section) && file.hasSection(Upper(section)));
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos) continue;
    std::string_view key = line.substr(0, equals);
    while (!key.empty() && Blank(key.back())) key.remove_suffix(1);
    const auto value = file.value(section, std::string(key));
    Check(value.has_value() && file.value(Upper(section), Upper(std::string(key))) == value);
    Check(value->empty() || (!Blank(value->front()) && !Blank(value->back())));
  }
  return 0;
}
