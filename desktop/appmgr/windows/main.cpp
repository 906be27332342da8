// The CE application manager stand-in as a Windows program, for a real
// installer engine: the custom action starts it and waits for it to end.
// It records the command line exactly as the process received it
// (GetCommandLineA), checks each .ini named on it and the cabinets beside
// it, and appends the record to the file that P42R_APPMGR_RECORD names.
#include "ManagerRun.h"

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

std::optional<std::string> readWindowsFile(const std::string& windowsPath) {
  std::ifstream in(windowsPath.c_str(), std::ios::binary);
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
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "/?")) {
    std::cout << appmgr::usageText("ceappmgr.exe");
    return 0;
  }
  const auto run = appmgr::runManager(GetCommandLineA(), arguments, readWindowsFile);
  const bool written = appmgr::publishRecord(run.record, std::cout, environmentValue("P42R_APPMGR_RECORD"));
  return appmgr::exitStatusOf(run, written);
}
