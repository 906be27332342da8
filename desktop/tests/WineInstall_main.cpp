// The Wine test's entry point: where the loader of the architecture under
// test is not installed (wine32 on a day the registry's i386 packages are
// out of step), or is installed but cannot run on this machine (a kernel
// or container without 32-bit support), the test reports itself skipped to
// CTest with the reason, instead of failing or passing.
#include "ProgramRun.h"
#include "WinePrefix.h"

#include <gmock/gmock.h>

#include <iostream>
#include <optional>
#include <unistd.h>

namespace {

// Exit code that CTest's SKIP_RETURN_CODE turns into "skipped".
constexpr int kSkipped = 77;
constexpr int kVersionDeadlineSeconds = 60;

// Why the loader cannot be used here, or nothing. The loader is run the way
// the tests run it: having the package is not enough where the kernel cannot
// execute its binaries ("Exec format error").
std::optional<std::string> loaderUnusable(const std::string& loader) {
  if (::access(loader.c_str(), X_OK) != 0) {
    return "Wine's loader " + loader + " is not installed (package " + desktoptest::wineLoaderPackage() +
           "); scripts/install-deps.sh installs it when the registry has it";
  }
  const desktoptest::ProgramResult version = desktoptest::runProgram({loader, "--version"}, kVersionDeadlineSeconds);
  if (version.status == 0) return std::nullopt;
  // One line for the summary: the status and the first line the loader (or the shell) said.
  const std::string said = version.output.substr(0, version.output.find('\n'));
  const std::string status = version.timedOut ? "no answer by its deadline" : "status " + std::to_string(version.status);
  return "Wine's loader " + loader + " cannot run on this machine (" + status + ": " + said +
         "); a kernel or container without support for this architecture's programs cannot run it";
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto reason = loaderUnusable(desktoptest::wineLoader())) {
    // One line that scripts/test.sh collects into its summary of what was skipped.
    std::cout << "skipped because: " << *reason << std::endl;
    return kSkipped;
  }
  testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
