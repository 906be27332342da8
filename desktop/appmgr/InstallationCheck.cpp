#include "InstallationCheck.h"

#include "IniFile.h"

#include <fstream>
#include <sstream>

namespace appmgr {

namespace {

constexpr const char* kManagerSection = "CEAppManager";

std::optional<std::string> readWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

std::vector<std::string> listOf(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream stream(text);
  std::string item;
  while (std::getline(stream, item, ',')) {
    const auto first = item.find_first_not_of(" \t");
    if (first != std::string::npos) {
      items.push_back(item.substr(first, item.find_last_not_of(" \t") - first + 1));
    }
  }
  return items;
}

std::string windowsDirectoryOf(const std::string& windowsPath) {
  const auto cut = windowsPath.find_last_of("\\/");
  return cut == std::string::npos ? std::string() : windowsPath.substr(0, cut + 1);
}

}  // namespace

CheckedApplication checkIniFile(const std::string& windowsIniPath, const PathMapper& toHostPath) {
  CheckedApplication result;
  const auto problem = [&](const std::string& text) {
    result.report.push_back(windowsIniPath + ": error: " + text);
    result.installable = false;
    return result;
  };
  const auto hostPath = toHostPath(windowsIniPath);
  const auto text = hostPath ? readWhole(*hostPath) : std::nullopt;
  if (!text) {
    return problem("cannot read the file");
  }
  const IniFile ini = IniFile::parse(*text);
  const auto component = ini.value(kManagerSection, "Component");
  if (!ini.hasSection(kManagerSection) || !component || component->empty()) {
    return problem("no [CEAppManager] section naming a Component");
  }
  if (!ini.hasSection(*component)) {
    return problem("no section for component \"" + *component + "\"");
  }
  const auto cabs = listOf(ini.value(*component, "CabFiles").value_or(""));
  if (cabs.empty()) {
    return problem("component \"" + *component + "\" names no CabFiles");
  }
  std::string line = windowsIniPath + ": install \"" + *component + "\"";
  if (const auto description = ini.value(*component, "Description"); description && !description->empty()) {
    line += " (" + *description + ")";
  }
  line += " from";
  bool allCabinets = true;
  const std::string directory = windowsDirectoryOf(windowsIniPath);
  for (const std::string& cab : cabs) {
    const auto cabPath = toHostPath(directory + cab);
    const auto contents = cabPath ? readWhole(*cabPath) : std::nullopt;
    if (!contents) {
      result.report.push_back(windowsIniPath + ": error: cab file " + cab + " is missing");
      allCabinets = false;
      continue;
    }
    if (contents->compare(0, 4, "MSCF") != 0) {
      result.report.push_back(windowsIniPath + ": error: cab file " + cab + " is not a cabinet");
      allCabinets = false;
      continue;
    }
    line += " " + cab + " (" + std::to_string(contents->size()) + " bytes)";
  }
  if (!allCabinets) {
    return result;
  }
  result.report.insert(result.report.begin(), line);
  result.installable = true;
  return result;
}

}  // namespace appmgr
