// A Windows-style .ini file: [section] lines and key = value lines, names
// compared without regard to case, ';' comments, CR LF or LF line ends.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace appmgr {

class IniFile {
public:
  static IniFile parse(std::string_view text);

  bool hasSection(const std::string& section) const;
  // The value with surrounding blanks removed, or nullopt when not present.
  std::optional<std::string> value(const std::string& section, const std::string& key) const;

private:
  std::map<std::string, std::map<std::string, std::string>> sections_;  // lower-case names
};

}  // namespace appmgr
