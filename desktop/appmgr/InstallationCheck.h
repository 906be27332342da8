// What the application manager stand-in does with one .ini file: reads it
// from its Windows path, finds the application it describes
// ([CEAppManager] names the component, the component's section names its
// .cab files), checks that every .cab beside the .ini is a cabinet, and
// says what it would install on the device.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace appmgr {

struct CheckedApplication {
  bool installable = false;
  std::vector<std::string> report;  // one line per finding, starting with the .ini path
};

using PathMapper = std::function<std::optional<std::filesystem::path>(const std::string&)>;

CheckedApplication checkIniFile(const std::string& windowsIniPath, const PathMapper& toHostPath);

}  // namespace appmgr
