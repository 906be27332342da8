// The CE application manager stand-in on Linux: started by the installer
// stand-in with its quoted path and the quoted .ini paths, it finds its
// Windows command line in P42R_COMMAND_LINE and the drive folders in the
// environment, checks each .ini and records what it would install.
#include "ManagerRun.h"
#include "standin/DriveMap.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

std::optional<std::string> readMapped(const std::string& windowsPath) {
  const auto hostPath = standin::toHostPath(windowsPath);
  if (!hostPath) {
    return std::nullopt;
  }
  std::ifstream in(*hostPath, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::cout << appmgr::usageText("ceappmgr");
    return 0;
  }
  standin::loadDrivesFromEnvironment();
  const auto run = appmgr::runManager(environmentValue("P42R_COMMAND_LINE"), arguments, readMapped);
  const bool written = appmgr::publishRecord(run.record, std::cout, environmentValue("P42R_APPMGR_RECORD"));
  return appmgr::exitStatusOf(run, written);
}
