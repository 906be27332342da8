#include "ManagerRun.h"

#include <fstream>
#include <ostream>

namespace appmgr {

ManagerRun runManager(const std::string& commandLine, const std::vector<std::string>& iniPaths,
                      const FileReader& readFile) {
  ManagerRun run;
  run.record.push_back("command line: " + commandLine);
  for (const std::string& iniPath : iniPaths) {
    const CheckedApplication checked = checkIniFile(iniPath, readFile);
    run.everythingInstallable = run.everythingInstallable && checked.installable;
    run.record.insert(run.record.end(), checked.report.begin(), checked.report.end());
  }
  if (iniPaths.empty()) {
    run.record.emplace_back("no applications to install");
  }
  return run;
}

bool publishRecord(const std::vector<std::string>& record, std::ostream& out, const std::string& recordPath) {
  for (const std::string& line : record) {
    out << "appmgr: " << line << '\n';
  }
  out.flush();
  if (recordPath.empty()) {
    return true;
  }
  std::ofstream file(recordPath.c_str(), std::ios::app | std::ios::binary);
  for (const std::string& line : record) {
    file << line << '\n';
  }
  file.flush();
  return static_cast<bool>(file);
}

int exitStatusOf(const ManagerRun& run, bool recordWritten) {
  if (!recordWritten) {
    return 2;
  }
  return run.everythingInstallable ? 0 : 1;
}

std::string usageText(const std::string& programName) {
  return "Usage: " + programName +
         " [INI ...]\n"
         "Stand-in for the CE application manager: checks each .ini file (its [DeviceInstall]\n"
         "section names the application and its cabinets), checks that every cabinet lies\n"
         "beside the .ini and is one, and records what it would install.\n"
         "The record goes to standard output and is appended to the file named by\n"
         "P42R_APPMGR_RECORD when that is set.\n"
         "Exit status: 0 when every .ini could be installed, 1 when one could not,\n"
         "2 when the record file could not be written.\n";
}

}  // namespace appmgr
