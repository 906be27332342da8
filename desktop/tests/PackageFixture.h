// Running DeskSetup's entry points in this process on a test package: a
// fresh drive C: folder per test, the application manager stand-in placed
// where the packages' CEAPPMGRLOC points, an installer session with a
// component plan, and readers for what came out (the log, the files, the
// application manager's record) and for what the package holds, taken
// from msiinfo so that the comparison does not go through the stand-in.
#pragma once

#include "EntryPoints.h"
#include "standin/InstallerSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace desktoptest {

std::filesystem::path packagePath(const std::string& name);
std::filesystem::path desktopProgram(const std::string& name);

// Runs a shell command (with its own deadline) and returns its standard
// output; the exit status goes to status.
std::string runCommand(const std::string& command, int& status);

// Where the fixture puts the application manager, on drive C:.
inline constexpr const char* kAppManagerOnDrive = "Program Files/App Manager/ceappmgr.exe";

// The bytes of a Binary row's stream as msiinfo extracts them.
std::string binaryStream(const std::string& package, const std::string& key);
// The row keys of SFDeskSetup in the order the package returns them.
std::vector<std::string> tableRowOrder(const std::string& package);

std::optional<std::string> readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& contents);

// The edges package logs its unresolved directory on every table read.
inline constexpr const char* kEdgesLostDirectory =
    "Directory Value of DirKey:NOSUCHDIR is not valid. Defaulting to INSTALLDIR";

// The log without one expected occurrence of line (a failure when it is missing).
std::vector<std::string> without(std::vector<std::string> log, const std::string& line);

struct Plan {
  std::map<std::string, standin::ComponentPlan> components;
  standin::ComponentPlan others{INSTALLSTATE_UNKNOWN, INSTALLSTATE_UNKNOWN};
};

// Only the named components are acted on by the entry point.
Plan only(std::initializer_list<std::string> names, standin::ComponentPlan state);
inline constexpr standin::ComponentPlan kInstalling{INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL};
inline constexpr standin::ComponentPlan kRemoving{INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT};

class PackageTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Runs one entry point on a package and returns the installation log.
  std::vector<std::string> run(desksetup::EntryPoint which, const std::string& package, const Plan& plan,
                               std::vector<std::pair<std::string, std::string>> properties = {});

  // The host path of a path on drive C: ("Edges/a.cab").
  std::filesystem::path onDrive(const std::string& relative) const { return root_ / relative; }
  // Every file under drive C:, relative, except the application manager itself.
  std::vector<std::string> filesOnDrive() const;
  // Lines the application manager recorded; empty when it never ran.
  std::vector<std::string> appManagerRecord() const;

  std::filesystem::path root_;
  std::filesystem::path recordFile_;
  UINT lastResult_ = 0;
};

}  // namespace desktoptest
