// InstallCEApps on real packages: which rows are written, what lands in
// the directories, and how the application manager is started.
#include "PackageFixture.h"
#include "Win32Api.h"
#include "standin/FaultInjection.h"

#include <gmock/gmock.h>

using desksetup::EntryPoint;
using testing::ElementsAre;
using testing::IsEmpty;

namespace desktoptest {
namespace {

constexpr const char* kAppManager = "\"C:\\Program Files\\App Manager\\ceappmgr.exe\"";

struct CeappsRow {
  std::string key;
  std::string directory;  // on drive C:
  std::string ini;
  std::vector<std::pair<std::string, std::string>> files;  // file name, Binary key
};

const std::vector<CeappsRow>& ceappsRows() {
  static const std::vector<CeappsRow> rows = {
      {"Updater", "Program Files/P42R/Desktop Setup/Update", "P42RUpdate.ini",
       {{"P42RUpdate.ini", "UpdaterIni"}, {"P42RUpdate.ARM.cab", "UpdaterArm"},
        {"P42RUpdate.MIPS.cab", "UpdaterMips"}, {"P42RUpdate.ico", "UpdaterIcon"}}},
      {"Monitor", "Program Files/P42R/Desktop Setup/Monitor", "P42RMonitor.ini",
       {{"P42RMonitor.ini", "MonitorIni"}, {"P42RMonitor.cab", "MonitorCab"}, {"P42RMonitor.ico", "MonitorIcon"}}},
      {"Manual", "Program Files/P42R/Desktop Setup/Manual", "P42RManual.ini",
       {{"P42RManual.ini", "ManualIni"}, {"P42RManual.cab", "ManualCab"}, {"P42RManual.ico", "ManualIcon"}}},
      {"Shared", "Program Files/P42R/Desktop Setup", "P42RShared.ini",
       {{"P42RShared.ini", "SharedIni"}, {"P42RShared.cab", "SharedCab"}, {"P42RShared.ico", "SharedIcon"}}},
  };
  return rows;
}

const CeappsRow& ceappsRow(const std::string& key) {
  for (const CeappsRow& row : ceappsRows()) {
    if (row.key == key) {
      return row;
    }
  }
  throw std::out_of_range(key);
}

std::string windowsPath(const std::string& onDrive) {
  std::string path = "C:\\" + onDrive;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

class InstallCEAppsTest : public PackageTest {};

TEST_F(InstallCEAppsTest, WritesEveryRowByteForByteAndStartsTheManagerWithTheInisInReverseRowOrder) {
  const auto log = run(EntryPoint::InstallCEApps, "ceapps", Plan{{}, kInstalling});
  EXPECT_THAT(log, IsEmpty());

  std::vector<std::string> expectedFiles;
  for (const CeappsRow& row : ceappsRows()) {
    for (const auto& [file, key] : row.files) {
      const auto written = readFile(onDrive(row.directory + "/" + file));
      ASSERT_TRUE(written) << file;
      EXPECT_EQ(*written, binaryStream("ceapps", key)) << file;
      expectedFiles.push_back(row.directory + "/" + file);
    }
  }
  std::sort(expectedFiles.begin(), expectedFiles.end());
  EXPECT_EQ(filesOnDrive(), expectedFiles);

  std::string commandLine = std::string("command line: ") + kAppManager + " ";
  const auto order = tableRowOrder("ceapps");
  ASSERT_EQ(order.size(), 4u);
  for (auto key = order.rbegin(); key != order.rend(); ++key) {
    const CeappsRow& row = ceappsRow(*key);
    commandLine += (key == order.rbegin() ? "\"" : " \"") + windowsPath(row.directory + "/" + row.ini) + "\"";
  }
  const auto record = appManagerRecord();
  ASSERT_EQ(record.size(), 5u);
  EXPECT_EQ(record[0], commandLine);
  for (std::size_t index = 1; index < record.size(); ++index) {
    EXPECT_THAT(record[index], testing::HasSubstr(": install \"P42R "));
  }
}

TEST_F(InstallCEAppsTest, AnEmptyManagerLocationWritesNothingAndStartsNothing) {
  const auto log = run(EntryPoint::InstallCEApps, "ceapps", Plan{{}, kInstalling}, {{"CEAPPMGRLOC", ""}});
  EXPECT_THAT(log, ElementsAre("Unable to find the CE App Manager's location"));
  EXPECT_THAT(filesOnDrive(), IsEmpty());
  EXPECT_THAT(appManagerRecord(), IsEmpty());
}

TEST_F(InstallCEAppsTest, ATableWithoutRowsOrWithoutTheTableFailsWithoutLaunch) {
  EXPECT_THAT(run(EntryPoint::InstallCEApps, "norows", Plan{{}, kInstalling}),
              ElementsAre("No Records have been retrieved from SFDeskSetup Table",
                          "Error in processing the SFDeskSetup Table"));
  EXPECT_THAT(run(EntryPoint::InstallCEApps, "notable", Plan{{}, kInstalling}),
              ElementsAre("Error in populating the records from SFDeskSetup Table",
                          "Error in processing the SFDeskSetup Table"));
  EXPECT_THAT(appManagerRecord(), IsEmpty());
}

struct InstallStateCase {
  const char* name;
  standin::ComponentPlan state;
  bool written;
  bool launched;
  friend void PrintTo(const InstallStateCase& value, std::ostream* out) { *out << value.name; }
};

class InstallStateTest : public PackageTest, public testing::WithParamInterface<InstallStateCase> {};

// The Monitor row of ceapps under every kind of component state, with the
// other rows' components left alone; the Shared row has no component and
// is written every time, but never starts the manager by itself.
TEST_P(InstallStateTest, OnlyALocalActionWritesAndOnlyLocalOrAbsentLaunches) {
  const InstallStateCase& state = GetParam();
  EXPECT_THAT(run(EntryPoint::InstallCEApps, "ceapps", only({"Monitor"}, state.state)), IsEmpty());
  const bool monitorWritten = readFile(onDrive("Program Files/P42R/Desktop Setup/Monitor/P42RMonitor.ini")).has_value();
  EXPECT_EQ(monitorWritten, state.written);
  EXPECT_TRUE(readFile(onDrive("Program Files/P42R/Desktop Setup/P42RShared.ini")));
  EXPECT_FALSE(readFile(onDrive("Program Files/P42R/Desktop Setup/Update/P42RUpdate.ini")));

  const auto record = appManagerRecord();
  EXPECT_EQ(!record.empty(), state.launched);
  if (state.launched) {
    const std::string shared = "\"C:\\Program Files\\P42R\\Desktop Setup\\P42RShared.ini\"";
    const std::string monitor = "\"C:\\Program Files\\P42R\\Desktop Setup\\Monitor\\P42RMonitor.ini\"";
    const auto order = tableRowOrder("ceapps");
    const bool monitorBeforeShared =
        std::find(order.begin(), order.end(), "Monitor") < std::find(order.begin(), order.end(), "Shared");
    std::string inis = shared;
    if (state.written) {
      inis = monitorBeforeShared ? shared + " " + monitor : monitor + " " + shared;
    }
    EXPECT_EQ(record[0], std::string("command line: ") + kAppManager + " " + inis);
  }
}

INSTANTIATE_TEST_SUITE_P(
    ComponentStates, InstallStateTest,
    testing::Values(InstallStateCase{"AbsentToLocal", {INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL}, true, true},
                    InstallStateCase{"LocalStaysLocal", {INSTALLSTATE_LOCAL, INSTALLSTATE_LOCAL}, true, true},
                    InstallStateCase{"LocalToAbsent", {INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT}, false, true},
                    InstallStateCase{"LocalKept", {INSTALLSTATE_LOCAL, INSTALLSTATE_UNKNOWN}, false, false},
                    InstallStateCase{"AbsentKept", {INSTALLSTATE_ABSENT, INSTALLSTATE_UNKNOWN}, false, false},
                    InstallStateCase{"ToSource", {INSTALLSTATE_ABSENT, INSTALLSTATE_SOURCE}, false, false}),
    [](const testing::TestParamInfo<InstallStateCase>& parameter) { return parameter.param.name; });

TEST_F(InstallCEAppsTest, OnlyRemovalsStartTheManagerWithItsPathAndOneSpace) {
  EXPECT_THAT(run(EntryPoint::InstallCEApps, "failures", only({"GoodFirst", "GoodLast"}, kRemoving)), IsEmpty());
  EXPECT_THAT(filesOnDrive(), IsEmpty());
  const auto record = appManagerRecord();
  ASSERT_FALSE(record.empty());
  EXPECT_EQ(record[0], std::string("command line: ") + kAppManager + " ");
}

TEST_F(InstallCEAppsTest, AManagerThatCannotBeStartedIsLogged) {
  const auto log = run(EntryPoint::InstallCEApps, "ceapps", Plan{{}, kInstalling},
                       {{"CEAPPMGRLOC", "C:\\Program Files\\Nowhere\\ceappmgr.exe"}});
  EXPECT_THAT(log, ElementsAre("Error in launching in the CE App Manager"));
  EXPECT_TRUE(readFile(onDrive("Program Files/P42R/Desktop Setup/P42RShared.ini")));
}

TEST_F(InstallCEAppsTest, AManagerLocationLongerThanTheFirstBufferIsReadWhole) {
  std::string location = "C:\\Program Files\\App Manager";
  while (location.size() < 1100) location += "\\.";
  location += "\\ceappmgr.exe";
  EXPECT_THAT(run(EntryPoint::InstallCEApps, "ceapps", Plan{{}, kInstalling}, {{"CEAPPMGRLOC", location}}), IsEmpty());
  const auto record = appManagerRecord();
  ASSERT_FALSE(record.empty());
  EXPECT_THAT(record[0], testing::StartsWith("command line: \"" + location + "\" "));
}

class EdgeRowsTest : public PackageTest {
protected:
  std::vector<std::string> install(std::initializer_list<std::string> components) {
    return without(run(EntryPoint::InstallCEApps, "edges", only(components, kInstalling)), kEdgesLostDirectory);
  }
};

TEST_F(EdgeRowsTest, ADirectoryKeyThatDoesNotResolveIsLoggedOnceAndFallsBackToInstallDir) {
  // Logged once, while the table is read (install() takes that line away).
  EXPECT_THAT(install({"Lost"}), IsEmpty());
  EXPECT_EQ(readFile(onDrive("Edges/Lost.ini")), binaryStream("edges", "PlainIni"));
  EXPECT_EQ(readFile(onDrive("Edges/lost.ico")), binaryStream("edges", "PlainIcon"));
}

TEST_F(EdgeRowsTest, EachCabItemComesFromItsOwnBinaryRow) {
  install({"Pair", "Commas"});
  EXPECT_EQ(readFile(onDrive("Edges/a.cab")), binaryStream("edges", "CabOne"));
  EXPECT_EQ(readFile(onDrive("Edges/b.cab")), binaryStream("edges", "CabTwo"));
  EXPECT_NE(binaryStream("edges", "CabOne"), binaryStream("edges", "CabTwo"));
  // Three comma parts: the key, then the rest (comma included) as file name.
  EXPECT_EQ(readFile(onDrive("Edges/Monitor,v2.cab")), binaryStream("edges", "CabOne"));
}

TEST_F(EdgeRowsTest, StreamsOfExactlyOneBufferAndOfNoBytesAreCopiedWhole) {
  install({"Sizes"});
  const auto exact = readFile(onDrive("Edges/exact.bin"));
  ASSERT_TRUE(exact);
  EXPECT_EQ(exact->size(), 10240u);
  EXPECT_EQ(*exact, binaryStream("edges", "Exact"));
  EXPECT_EQ(readFile(onDrive("Edges/empty.bin")), std::string());
  // Larger than several of the blocks the copy writes at a time.
  EXPECT_EQ(readFile(onDrive("Edges/large.bin")), binaryStream("edges", "Large"));
}

TEST_F(EdgeRowsTest, AStreamReadFailingMidwayLeavesTheFileWithEverythingReadBeforeIt) {
  // The row's other files take nine reads before the large stream's; its 41st read fails
  // while the copy still holds reads it has not written.
  standin::failNextCall("MsiRecordReadStream", ERROR_FUNCTION_FAILED, 9 + 40);
  EXPECT_THAT(install({"Sizes"}), testing::Contains("Error in Reading the Binary Table Record Data with Key Large"));
  const auto written = readFile(onDrive("Edges/large.bin"));
  ASSERT_TRUE(written);
  ASSERT_EQ(written->size(), 40u * 10240);  // (compared as a whole, a mismatch would be diffed line by line)
  EXPECT_TRUE(*written == binaryStream("edges", "Large").substr(0, written->size()));
}

TEST_F(EdgeRowsTest, ABinaryKeyWithAQuoteSelectsExactlyItsOwnRow) {
  EXPECT_THAT(install({"Quote"}), testing::Not(testing::Contains(testing::HasSubstr("Error"))));
  EXPECT_EQ(readFile(onDrive("Edges/quote.ico")), binaryStream("edges", "Quote'Icon"));
  EXPECT_NE(readFile(onDrive("Edges/quote.ico")), binaryStream("edges", "Quote"));
}

TEST_F(EdgeRowsTest, AFileInUseWithoutSharingIsLeftAloneAndTheRowStillSucceeds) {
  writeFile(onDrive("Edges/pair.ico"), "held by another program");
  const HANDLE holder = CreateFileA("C:\\Edges\\pair.ico", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const auto log = install({"Pair"});
  CloseHandle(holder);
  EXPECT_THAT(log, IsEmpty());
  EXPECT_EQ(readFile(onDrive("Edges/pair.ico")), "held by another program");
  EXPECT_EQ(readFile(onDrive("Edges/b.cab")), binaryStream("edges", "CabTwo"));
  EXPECT_FALSE(appManagerRecord().empty());
}

TEST_F(EdgeRowsTest, ExistingFilesAreReplaced) {
  writeFile(onDrive("Edges/Pair.ini"), std::string(50000, 'x'));
  install({"Pair"});
  EXPECT_EQ(readFile(onDrive("Edges/Pair.ini")), binaryStream("edges", "PlainIni"));
}

}  // namespace
}  // namespace desktoptest
