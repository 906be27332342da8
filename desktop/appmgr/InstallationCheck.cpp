#include "InstallationCheck.h"

#include "IniFile.h"

#include <sstream>

namespace appmgr {

namespace {

constexpr const char* kSection = "DeviceInstall";

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

// A cab is named by its file name alone: it has to lie beside the .ini.
bool isPlainFileName(const std::string& name) {
  return name.find_first_of("\\/:") == std::string::npos && name != "." && name != "..";
}

}  // namespace

CheckedApplication checkIniFile(const std::string& windowsIniPath, const FileReader& readFile) {
  CheckedApplication result;
  const auto problem = [&](const std::string& text) {
    result.report.push_back(windowsIniPath + ": error: " + text);
    result.installable = false;
    return result;
  };
  const auto text = readFile(windowsIniPath);
  if (!text) {
    return problem("cannot read the file");
  }
  const IniFile ini = IniFile::parse(*text);
  if (!ini.hasSection(kSection)) {
    return problem("no [DeviceInstall] section");
  }
  const auto name = ini.value(kSection, "Name");
  if (!name || name->empty()) {
    return problem("[DeviceInstall] gives no Name");
  }
  const auto cabs = listOf(ini.value(kSection, "Cabs").value_or(""));
  if (cabs.empty()) {
    return problem("\"" + *name + "\" names no Cabs");
  }
  std::string line = windowsIniPath + ": install \"" + *name + "\"";
  if (const auto description = ini.value(kSection, "Description"); description && !description->empty()) {
    line += " (" + *description + ")";
  }
  line += " from";
  bool allCabinets = true;
  const std::string directory = windowsDirectoryOf(windowsIniPath);
  for (const std::string& cab : cabs) {
    if (!isPlainFileName(cab)) {
      result.report.push_back(windowsIniPath + ": error: cab file " + cab + " is not beside the .ini");
      allCabinets = false;
      continue;
    }
    const auto contents = readFile(directory + cab);
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
