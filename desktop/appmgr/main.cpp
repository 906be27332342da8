// The CE application manager stand-in: started with its quoted path and
// the quoted .ini paths, it checks each .ini file and the .cab files it
// names, records what it would install and exits (0 when everything could
// be installed). The record goes to standard output and, when
// P42R_APPMGR_RECORD names a file, is appended to that file.
#include "InstallationCheck.h"
#include "standin/DriveMap.h"

#include <cstdlib>
#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
  standin::loadDrivesFromEnvironment();
  std::vector<std::string> record;
  const char* commandLine = std::getenv("P42R_COMMAND_LINE");
  record.push_back(std::string("command line: ") + (commandLine != nullptr ? commandLine : ""));

  bool everythingInstallable = true;
  for (int index = 1; index < argc; ++index) {
    const auto checked = appmgr::checkIniFile(argv[index], [](const std::string& path) {
      return standin::toHostPath(path);
    });
    everythingInstallable = everythingInstallable && checked.installable;
    record.insert(record.end(), checked.report.begin(), checked.report.end());
  }
  if (argc < 2) {
    record.emplace_back("no applications to install");
  }

  const char* recordPath = std::getenv("P42R_APPMGR_RECORD");
  std::ofstream recordFile;
  if (recordPath != nullptr && *recordPath != '\0') {
    recordFile.open(recordPath, std::ios::app);
  }
  for (const std::string& line : record) {
    std::cout << "appmgr: " << line << '\n';
    if (recordFile) {
      recordFile << line << '\n';
    }
  }
  return everythingInstallable ? 0 : 1;
}
