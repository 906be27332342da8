// What the application manager stand-in does with one .ini file: reads it,
// finds the application it describes (the [DeviceInstall] section's Name,
// optional Description and comma-separated Cabs), checks that every .cab
// it names lies beside the .ini and is a cabinet, and says what it would
// install on the device.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace appmgr {

struct CheckedApplication {
  bool installable = false;
  std::vector<std::string> report;  // one line per finding, starting with the .ini path
};

// The whole contents of the file at a Windows path, or nullopt when it
// cannot be read. Each platform supplies its own.
using FileReader = std::function<std::optional<std::string>(const std::string& windowsPath)>;

CheckedApplication checkIniFile(const std::string& windowsIniPath, const FileReader& readFile);

}  // namespace appmgr
