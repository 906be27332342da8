// Running an outside program from a test without a shell and never without
// a deadline: the program runs under timeout(1), which ends it (and what
// it started in its process group) when the deadline passes, and its
// standard output and error go to a file rather than a pipe, so that a
// daemon it leaves behind (wineserver) cannot keep the test waiting.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace desktoptest {

struct ProgramResult {
  int status = -1;        // the exit status, or -1 when it did not exit normally
  bool timedOut = false;  // the deadline passed and the program was ended
  std::string output;     // standard output and standard error, interleaved
};

// Environment changes: a value sets the variable, nullopt removes it.
using EnvironmentChanges = std::map<std::string, std::optional<std::string>>;

ProgramResult runProgram(const std::vector<std::string>& arguments, int deadlineSeconds,
                         const EnvironmentChanges& environment = {});

// "status 3, output: ..." for failure messages.
std::string describe(const ProgramResult& result);

}  // namespace desktoptest
