// The Wine test's entry point: where the loader of the architecture under
// test is not installed (wine32 on a day the registry's i386 packages are
// out of step), the test reports itself skipped to CTest with the reason,
// instead of failing or passing.
#include "WinePrefix.h"

#include <gmock/gmock.h>

#include <iostream>
#include <unistd.h>

namespace {

// Exit code that CTest's SKIP_RETURN_CODE turns into "skipped".
constexpr int kSkipped = 77;

}  // namespace

int main(int argc, char** argv) {
  const std::string& loader = desktoptest::wineLoader();
  if (::access(loader.c_str(), X_OK) != 0) {
    // One line that scripts/test.sh collects into its summary of what was skipped.
    std::cout << "skipped because: Wine's loader " << loader << " is not installed (package "
              << desktoptest::wineLoaderPackage()
              << "); scripts/install-deps.sh installs it when the registry has it" << std::endl;
    return kSkipped;
  }
  testing::InitGoogleMock(&argc, argv);
  return RUN_ALL_TESTS();
}
