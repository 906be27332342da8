// One run of the application manager stand-in, the same on every platform:
// check each .ini it was started with, in command-line order, and keep a
// record of what it would install. The record starts with the command line
// exactly as the process received it, so that a test can see the quoting.
#pragma once

#include "InstallationCheck.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace appmgr {

struct ManagerRun {
  std::vector<std::string> record;
  bool everythingInstallable = true;
};

ManagerRun runManager(const std::string& commandLine, const std::vector<std::string>& iniPaths,
                      const FileReader& readFile);

// Writes the record to out, each line prefixed with "appmgr: ", and appends
// the plain lines to the file at recordPath when that is not empty. False
// when the record file cannot be written.
bool publishRecord(const std::vector<std::string>& record, std::ostream& out, const std::string& recordPath);

// Exit status: 0 when every .ini could be installed, 1 otherwise, 2 for a
// record that could not be written.
int exitStatusOf(const ManagerRun& run, bool recordWritten);

std::string usageText(const std::string& programName);

}  // namespace appmgr
