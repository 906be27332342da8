// A fresh Wine prefix in a temporary folder, made once per test run by the
// Wine loader of the architecture under test (32-bit, or 64-bit in a
// 64-bit prefix) and removed with its wineserver at the end, and the calls
// the tests make into it: Windows programs under a deadline, headless (no display, no
// debug output, no runtime downloads), Windows paths of host files, and
// the host folder of drive C:.
#pragma once

#include "ProgramRun.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace desktoptest {

class WinePrefix {
public:
  // Checks that the loader runs and creates the prefix with it. On
  // failure returns null and says why in problem.
  static std::unique_ptr<WinePrefix> create(const std::string& loader, std::string& problem);
  ~WinePrefix();
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;

  // Runs "LOADER ARGUMENTS..." in the prefix and waits for the prefix to be idle again.
  ProgramResult wine(const std::vector<std::string>& arguments, int deadlineSeconds,
                     const EnvironmentChanges& environment = {}) const;

  const std::filesystem::path& driveC() const { return driveC_; }
  // The host path of a path on drive C: ("C:\Program Files\x" -> DRIVE_C/Program Files/x).
  std::filesystem::path hostPathOf(const std::string& windowsPath) const;
  // Wine's Z: drive holds the host's root: "/tmp/a b" -> "Z:\tmp\a b".
  static std::string windowsPathOf(const std::filesystem::path& hostPath);

  // Seconds that creating the prefix took.
  double creationSeconds() const { return creationSeconds_; }

private:
  WinePrefix(std::string loader, std::filesystem::path folder);
  EnvironmentChanges environment(const EnvironmentChanges& extra) const;

  std::string loader_;
  std::filesystem::path folder_;
  std::filesystem::path driveC_;
  double creationSeconds_ = 0;
};

// The prefix of this test run, made with the test's loader on first use;
// null (with the reason) when Wine is not usable.
const WinePrefix* sharedWinePrefix(std::string& problem);

// The loader this test runs under, and the Debian package that brings it.
const std::string& wineLoader();
const std::string& wineLoaderPackage();

}  // namespace desktoptest
