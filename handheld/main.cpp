// p42r: the P42R handheld program in an emulated handheld.
#include <cstdio>
#include <string>
#include <vector>

#include "p42r/Version.h"
#include "program/Program.h"
#include "program/ProgramOptions.h"

int main(int argc, char** argv) {
  using namespace p42r::program;
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
