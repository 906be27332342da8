// DeskSetup.dll under a real installer engine: the package built from
// packages/installable with the DLL of the architecture under test is
// installed and removed with Wine's msiexec, headless, in a fresh prefix
// made for this run by that architecture's loader. What the engine, the
// library and the application manager stand-in did is compared with the
// package's own streams (read with msiinfo), with the verbose log, and
// with what the Linux host writes from the same package.
#include "PackageFixture.h"
#include "VerboseLog.h"
#include "WinePrefix.h"

#include <gmock/gmock.h>

#include <chrono>
#include <iostream>

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace desktoptest {
namespace {

constexpr const char* kPackage = WINE_PACKAGE;
constexpr const char* kAppManager = "C:\\Program Files\\App Manager\\ceappmgr.exe";
constexpr const char* kRecord = "C:\\appmgr-record.txt";
constexpr int kMsiexecDeadlineSeconds = 180;
// The Shared row names a directory the package does not have.
constexpr const char* kSharedDirectoryDefaulted =
    "Directory Value of DirKey:SHAREDDIR is not valid. Defaulting to INSTALLDIR";

// Each row's files, relative to INSTALLDIR, and the Binary rows they come from.
struct PackageRow {
  std::string key;
  std::string ini;  // relative to INSTALLDIR, '/' separated
  std::vector<std::pair<std::string, std::string>> files;
};

const std::vector<PackageRow>& packageRows() {
  static const std::vector<PackageRow> rows = {
      {"Updater", "Update/P42RUpdate.ini",
       {{"Update/P42RUpdate.ini", "UpdaterIni"}, {"Update/P42RUpdate.ARM.cab", "UpdaterArm"},
        {"Update/P42RUpdate.MIPS.cab", "UpdaterMips"}, {"Update/P42RUpdate.ico", "UpdaterIcon"}}},
      {"Monitor", "Monitor/P42RMonitor.ini",
       {{"Monitor/P42RMonitor.ini", "MonitorIni"}, {"Monitor/P42RMonitor.cab", "MonitorCab"},
        {"Monitor/P42RMonitor.ico", "MonitorIcon"}}},
      {"Shared", "P42RShared.ini",
       {{"P42RShared.ini", "SharedIni"}, {"P42RShared.cab", "SharedCab"}, {"P42RShared.ico", "SharedIcon"}}},
  };
  return rows;
}

// Every file below a folder: relative path ('/' separated) -> bytes.
using FileTree = std::map<std::string, std::string>;

FileTree filesBelow(const std::filesystem::path& folder) {
  FileTree tree;
  std::error_code error;
  for (auto entry = std::filesystem::recursive_directory_iterator(folder, error);
       !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error)) {
    if (entry->is_regular_file()) {
      tree[std::filesystem::relative(entry->path(), folder).generic_string()] = readFile(entry->path()).value_or("");
    }
  }
  return tree;
}

FileTree expectedTree() {
  FileTree tree;
  for (const PackageRow& row : packageRows()) {
    for (const auto& [file, key] : row.files) {
      tree[file] = binaryStream(kPackage, key);
    }
  }
  return tree;
}

std::string windowsPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// The command line the manager must have been started with: its quoted
// path, then the quoted .ini paths in the reverse of the table's row order.
std::string expectedCommandLine(const std::string& installDir) {
  std::string line = std::string("\"") + kAppManager + "\"";
  const auto order = tableRowOrder(kPackage);
  EXPECT_EQ(order.size(), packageRows().size());
  for (auto key = order.rbegin(); key != order.rend(); ++key) {
    for (const PackageRow& row : packageRows()) {
      if (row.key == *key) {
        line += " \"" + installDir + windowsPath(row.ini) + "\"";
      }
    }
  }
  return line;
}

// A temporary drive C: for the Linux host, removed again at the end of the test.
class HostRoot {
public:
  HostRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "desksetup-host-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) {
      path_ = pattern;
    }
  }
  ~HostRoot() {
    std::error_code ignored;
    if (!path_.empty()) {
      std::filesystem::remove_all(path_, ignored);
    }
  }
  HostRoot(const HostRoot&) = delete;
  HostRoot& operator=(const HostRoot&) = delete;
  const std::filesystem::path& path() const { return path_; }

private:
  std::filesystem::path path_;
};

// One msiexec call and what came of it.
struct EngineRun {
  ProgramResult result;
  double seconds = 0;
  std::vector<std::string> log;     // the verbose log
  std::vector<std::string> record;  // the application manager's record so far
};

EngineRun runMsiexec(const WinePrefix& prefix, const std::string& operation, const std::string& logName,
                     const std::vector<std::string>& properties) {
  const std::string logPath = std::string("C:\\") + logName;
  std::vector<std::string> arguments = {"msiexec", operation, WinePrefix::windowsPathOf(packagePath(kPackage)),
                                        "/qn", "/l*v", logPath};
  arguments.insert(arguments.end(), properties.begin(), properties.end());
  EngineRun run;
  const auto started = std::chrono::steady_clock::now();
  run.result = prefix.wine(arguments, kMsiexecDeadlineSeconds, {{"P42R_APPMGR_RECORD", kRecord}});
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  run.log = linesOf(readFile(prefix.hostPathOf(logPath)));
  run.record = linesOf(readFile(prefix.hostPathOf(kRecord)));
  std::cerr << "wine: msiexec " << operation << " took " << run.seconds << " s\n";
  return run;
}

// Installing the package and removing it again, with what was on drive C:
// after each step.
struct Scenario {
  std::string problem;  // set when the scenario could not be run at all
  const WinePrefix* prefix = nullptr;
  EngineRun install;
  std::string installDir;  // the engine's INSTALLDIR, with its trailing backslash
  FileTree installed;      // below INSTALLDIR after the install
  EngineRun removal;
  bool productFolderLeft = true;  // INSTALLDIR's parent still there after the removal
  bool appManagerLeft = false;
};

// Puts the Windows stand-in where CEAPPMGRLOC points and checks that Wine runs it.
std::string placeAppManager(const WinePrefix& prefix) {
  const auto target = prefix.hostPathOf(kAppManager);
  std::error_code error;
  std::filesystem::create_directories(target.parent_path(), error);
  std::filesystem::copy_file(desktopProgram((std::filesystem::path(WINDOWS_BIN_SUBDIR) / "ceappmgr.exe").string()), target,
                             std::filesystem::copy_options::overwrite_existing, error);
  if (error) {
    return "cannot place the application manager stand-in at " + target.string() + ": " + error.message();
  }
  const ProgramResult probe = prefix.wine({target.string(), "--help"}, 120);
  if (probe.status != 0 || probe.output.find("Usage: ceappmgr.exe") == std::string::npos) {
    return "Wine cannot run the stand-in ceappmgr.exe (" + describe(probe) + "); is " + wineLoaderPackage() +
           " installed? scripts/install-deps.sh installs it";
  }
  return {};
}

Scenario runScenario(const std::vector<std::string>& installProperties) {
  Scenario scenario;
  scenario.prefix = sharedWinePrefix(scenario.problem);
  if (scenario.prefix == nullptr) {
    return scenario;
  }
  const WinePrefix& prefix = *scenario.prefix;
  scenario.problem = placeAppManager(prefix);
  if (!scenario.problem.empty()) {
    return scenario;
  }
  std::error_code ignored;
  std::filesystem::remove(prefix.hostPathOf(kRecord), ignored);

  scenario.install = runMsiexec(prefix, "/i", "p42r-install.log", installProperties);
  scenario.installDir = propertyInLog(scenario.install.log, "INSTALLDIR");
  if (scenario.installDir.rfind("C:\\", 0) != 0 || scenario.installDir.back() != '\\') {
    scenario.problem = "the install log names no INSTALLDIR on drive C: (" + describe(scenario.install.result) + ")";
    return scenario;
  }
  const auto installFolder = prefix.hostPathOf(scenario.installDir.substr(0, scenario.installDir.size() - 1));
  scenario.installed = filesBelow(installFolder);

  scenario.removal = runMsiexec(prefix, "/x", "p42r-remove.log", {});
  scenario.productFolderLeft = std::filesystem::exists(installFolder.parent_path());
  scenario.appManagerLeft = std::filesystem::exists(prefix.hostPathOf(kAppManager));
  return scenario;
}

// One scenario per suite, run once before its tests look at the outcome.
template <typename Install>
class ScenarioTest : public testing::Test {
protected:
  static void SetUpTestSuite() { scenario_ = new Scenario(runScenario(Install::properties())); }
  static void TearDownTestSuite() {
    delete scenario_;
    scenario_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(scenario().problem.empty()) << scenario().problem;
    ASSERT_FALSE(scenario().install.result.timedOut) << describe(scenario().install.result);
  }
  static const Scenario& scenario() { return *scenario_; }

private:
  static inline Scenario* scenario_ = nullptr;
};

struct PackageAsItIs {
  static std::vector<std::string> properties() { return {}; }
};
// A failure inside the library under the real engine: the manager cannot be started.
struct ManagerNowhere {
  static std::vector<std::string> properties() { return {"CEAPPMGRLOC=C:\\Nowhere\\ceappmgr.exe"}; }
};

using WinePackageTest = ScenarioTest<PackageAsItIs>;
using WineManagerMissingTest = ScenarioTest<ManagerNowhere>;

TEST_F(WinePackageTest, InstallWritesEveryRowByteForByteBelowTheEnginesInstallDir) {
  EXPECT_EQ(scenario().install.result.status, 0) << describe(scenario().install.result);
  EXPECT_EQ(scenario().installDir, propertyInLog(scenario().install.log, "ProgramFilesFolder") + "P42R\\Desktop Setup\\");
  const FileTree expected = expectedTree();
  ASSERT_EQ(expected.size(), 10u);
  EXPECT_EQ(scenario().installed, expected);
}

TEST_F(WinePackageTest, InstallStartsTheManagerOnceWithTheInisInReverseRowOrder) {
  const auto& record = scenario().install.record;
  ASSERT_EQ(record.size(), 1 + packageRows().size()) << describe(scenario().install.result);
  EXPECT_EQ(record[0], "command line: " + expectedCommandLine(scenario().installDir));
  for (std::size_t index = 1; index < record.size(); ++index) {
    EXPECT_THAT(record[index], HasSubstr(": install \"P42R ")) << "the stand-in refused an .ini";
  }
}

TEST_F(WinePackageTest, TheVerboseLogShowsTheInstallActionAfterInstallFinalizeWithTheLibrarysMessage) {
  const auto& log = scenario().install.log;
  EXPECT_THAT(linesOfAction(log, "InstallCEApps"), ElementsAre(HasSubstr(kSharedDirectoryDefaulted)));
  const long finalize = actionStart(log, "InstallFinalize");
  ASSERT_GE(finalize, 0);
  EXPECT_GT(actionStart(log, "InstallCEApps"), finalize);
  EXPECT_EQ(actionStart(log, "RemoveCEApps"), -1);
  EXPECT_EQ(actionStart(log, "CEObjectCleanup"), -1);
  EXPECT_THAT(log, testing::Contains(testing::MatchesRegex("Action ended .*: InstallCEApps\\. Return value 1\\.")));
}

TEST_F(WinePackageTest, RemovalDeletesTheFilesAndCleanupRemovesTheEmptiedFolders) {
  const Scenario& run = scenario();
  EXPECT_EQ(run.removal.result.status, 0) << describe(run.removal.result);
  EXPECT_THAT(filesBelow(run.prefix->hostPathOf(run.installDir)), IsEmpty());
  // The engine removes only the folders of its CreateFolder rows: INSTALLDIR and
  // its parent go only through the cleanup.
  EXPECT_FALSE(run.productFolderLeft);
  EXPECT_TRUE(run.appManagerLeft);
  EXPECT_TRUE(std::filesystem::is_directory(run.prefix->hostPathOf(propertyInLog(run.install.log, "ProgramFilesFolder"))));
  EXPECT_EQ(run.removal.record, run.install.record) << "the manager is not started on removal";
}

TEST_F(WinePackageTest, TheVerboseLogShowsBothRemovalActionsBeforeRemoveFilesWithTheLibrarysMessages) {
  const auto& log = scenario().removal.log;
  EXPECT_THAT(linesOfAction(log, "RemoveCEApps"), ElementsAre(HasSubstr(kSharedDirectoryDefaulted)));
  EXPECT_THAT(linesOfAction(log, "CEObjectCleanup"), ElementsAre(HasSubstr(kSharedDirectoryDefaulted)));
  const long remove = actionStart(log, "RemoveCEApps");
  const long cleanup = actionStart(log, "CEObjectCleanup");
  ASSERT_GE(remove, 0);
  EXPECT_GT(cleanup, remove);
  EXPECT_LT(cleanup, actionStart(log, "RemoveFiles"));
  EXPECT_EQ(actionStart(log, "InstallCEApps"), -1);
}

TEST_F(WinePackageTest, TheLinuxHostWritesTheSameFilesFromTheSamePackage) {
  const HostRoot hostRoot;
  ASSERT_FALSE(hostRoot.path().empty());
  const std::filesystem::path& root = hostRoot.path();
  const std::filesystem::path record = root / "record.txt";
  const auto manager = root / "Program Files/App Manager/ceappmgr.exe";
  std::filesystem::create_directories(manager.parent_path());
  std::filesystem::copy_file(desktopProgram("ceappmgr"), manager);

  const ProgramResult host =
      runProgram({desktopProgram("desksetup-host").string(), "install", packagePath(kPackage).string(), "--root",
                  root.string()},
                 120, {{"P42R_APPMGR_RECORD", record.string()}});
  EXPECT_EQ(host.status, 0) << describe(host);
  EXPECT_THAT(host.output, HasSubstr(kSharedDirectoryDefaulted));
  // The same files with the same bytes, each in the same place below INSTALLDIR.
  const std::string hostInstallDir = "C:\\Program Files\\P42R\\Desktop Setup\\";
  EXPECT_EQ(filesBelow(root / "Program Files/P42R/Desktop Setup"), scenario().installed);
  // The same .ini files in the same order on the manager's command line.
  const auto hostRecord = linesOf(readFile(record));
  ASSERT_FALSE(hostRecord.empty());
  ASSERT_FALSE(scenario().install.record.empty());
  const auto relative = [](std::string line, const std::string& installDir) {
    for (auto at = line.find(installDir); at != std::string::npos; at = line.find(installDir, at)) {
      line.replace(at, installDir.size(), "INSTALLDIR\\");
    }
    return line;
  };
  EXPECT_EQ(relative(hostRecord[0], hostInstallDir),
            relative(scenario().install.record[0], scenario().installDir));
}

TEST_F(WineManagerMissingTest, IsLoggedAfterTheFilesAreWrittenAndTheInstallStillSucceeds) {
  EXPECT_EQ(scenario().install.result.status, 0) << describe(scenario().install.result);
  EXPECT_THAT(linesOfAction(scenario().install.log, "InstallCEApps"),
              ElementsAre(HasSubstr(kSharedDirectoryDefaulted), HasSubstr("Error in launching in the CE App Manager")));
  EXPECT_EQ(scenario().installed, expectedTree());
  EXPECT_THAT(scenario().install.record, IsEmpty());
  EXPECT_EQ(scenario().removal.result.status, 0) << describe(scenario().removal.result);
  EXPECT_FALSE(scenario().productFolderLeft);
}

}  // namespace
}  // namespace desktoptest
