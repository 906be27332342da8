// p42r: the P42R handheld program in an emulated handheld.
#include <signal.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "p42r/Version.h"
#include "program/Program.h"
#include "program/ProgramOptions.h"

namespace {

using namespace p42r::program;

int Main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string error;
  const auto options = ParseProgramOptions(arguments, error);
  if (!options) {
    std::fprintf(stderr, "p42r: %s\n", error.c_str());
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(options->help->c_str(), stdout);
    return kExitOk;
  }
  if (options->listScenarios) {
    std::fputs(ScenarioList().c_str(), stdout);
    return kExitOk;
  }
  if (options->version) {
    std::puts("p42r " P42R_VERSION);
    return kExitOk;
  }
  return RunProgram(*options);
}

// Standard output that failed (closed by its reader, a full disk) wins over
// whatever the run ended with: what it printed did not all arrive.
int WithOutputChecked(int exitCode) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) return kExitOutputClosed;
  return exitCode;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away is an error on the write, handled where it
  // happens, never a signal that ends the program without its cleanup.
  ::signal(SIGPIPE, SIG_IGN);
  try {
    return WithOutputChecked(Main(argc, argv));
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "p42r: unexpected failure: %s\n", failure.what());
  } catch (...) {
    std::fprintf(stderr, "p42r: unexpected failure\n");
  }
  return kExitStartFailed;
}
