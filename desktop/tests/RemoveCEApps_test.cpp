// RemoveCEApps and CEObjectCleanup on real packages: which rows lose their
// files, which directories go, and what the remove flag keeps.
#include "PackageFixture.h"

#include <gmock/gmock.h>

#include <sys/stat.h>

using desksetup::EntryPoint;
using testing::ElementsAre;
using testing::IsEmpty;

namespace desktoptest {
namespace {

class RemovalTest : public PackageTest {
protected:
  void installEverything(const std::string& package) {
    run(EntryPoint::InstallCEApps, package, Plan{{}, kInstalling});
    ASSERT_FALSE(filesOnDrive().empty());
  }
};

TEST_F(RemovalTest, RemoveDeletesEveryFileAndCleanupRemovesTheEmptiedDirectoriesBelowTheRoot) {
  installEverything("ceapps");
  EXPECT_THAT(run(EntryPoint::RemoveCEApps, "ceapps", Plan{{}, kRemoving}), IsEmpty());
  EXPECT_THAT(filesOnDrive(), IsEmpty());
  EXPECT_TRUE(std::filesystem::is_directory(onDrive("Program Files/P42R/Desktop Setup/Update")));

  EXPECT_THAT(run(EntryPoint::CEObjectCleanup, "ceapps", Plan{{}, kRemoving}), IsEmpty());
  EXPECT_FALSE(std::filesystem::exists(onDrive("Program Files/P42R")));
  // The application manager's folder keeps "Program Files" in place.
  EXPECT_TRUE(std::filesystem::is_directory(onDrive("Program Files/App Manager")));
}

struct RemoveStateCase {
  const char* name;
  standin::ComponentPlan state;
  bool removed;
  friend void PrintTo(const RemoveStateCase& value, std::ostream* out) { *out << value.name; }
};

class RemoveStateTest : public RemovalTest, public testing::WithParamInterface<RemoveStateCase> {};

TEST_P(RemoveStateTest, OnlyAnInstalledComponentBeingRemovedLosesItsFiles) {
  installEverything("ceapps");
  EXPECT_THAT(run(EntryPoint::RemoveCEApps, "ceapps", only({"Monitor"}, GetParam().state)), IsEmpty());
  EXPECT_EQ(!std::filesystem::exists(onDrive("Program Files/P42R/Desktop Setup/Monitor/P42RMonitor.cab")),
            GetParam().removed);
  // Untouched components keep their files; the row without component loses its own.
  EXPECT_TRUE(std::filesystem::exists(onDrive("Program Files/P42R/Desktop Setup/Update/P42RUpdate.ini")));
  EXPECT_FALSE(std::filesystem::exists(onDrive("Program Files/P42R/Desktop Setup/P42RShared.ini")));
}

INSTANTIATE_TEST_SUITE_P(
    ComponentStates, RemoveStateTest,
    testing::Values(RemoveStateCase{"LocalToAbsent", {INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT}, true},
                    RemoveStateCase{"LocalKept", {INSTALLSTATE_LOCAL, INSTALLSTATE_UNKNOWN}, false},
                    RemoveStateCase{"LocalReinstalled", {INSTALLSTATE_LOCAL, INSTALLSTATE_LOCAL}, false},
                    RemoveStateCase{"AbsentToAbsent", {INSTALLSTATE_ABSENT, INSTALLSTATE_ABSENT}, false},
                    RemoveStateCase{"SourceToAbsent", {INSTALLSTATE_SOURCE, INSTALLSTATE_ABSENT}, false}),
    [](const testing::TestParamInfo<RemoveStateCase>& parameter) { return parameter.param.name; });

TEST_F(RemovalTest, ARemoveFlagOfZeroNullOrAMultipleOf65536KeepsFilesAndDirectories) {
  run(EntryPoint::InstallCEApps, "edges", only({"Keep", "Pair"}, kInstalling));
  const Plan removing = only({"Keep", "Pair"}, kRemoving);
  EXPECT_THAT(without(run(EntryPoint::RemoveCEApps, "edges", removing), kEdgesLostDirectory), IsEmpty());
  EXPECT_THAT(filesOnDrive(), ElementsAre("Edges/KeepNull.ini", "Edges/KeepWide.ini", "Edges/KeepZero.ini",
                                          "Edges/keepnull.ico", "Edges/keepwide.ico", "Edges/keepzero.ico"));
  EXPECT_THAT(without(run(EntryPoint::CEObjectCleanup, "edges", removing), kEdgesLostDirectory), IsEmpty());
  EXPECT_EQ(filesOnDrive().size(), 6u);
}

TEST_F(RemovalTest, CleanupRemovesThreeEmptyLevelsAndNeverTheRoot) {
  run(EntryPoint::InstallCEApps, "edges", only({"Deep"}, kInstalling));
  run(EntryPoint::RemoveCEApps, "edges", only({"Deep"}, kRemoving));
  EXPECT_TRUE(std::filesystem::is_directory(onDrive("Level1/Level2/Level3")));
  EXPECT_THAT(run(EntryPoint::CEObjectCleanup, "edges", only({"Deep"}, kRemoving)), ElementsAre(kEdgesLostDirectory));
  EXPECT_FALSE(std::filesystem::exists(onDrive("Level1")));
  EXPECT_TRUE(std::filesystem::is_directory(root_));
}

TEST_F(RemovalTest, CleanupStopsAtTheFirstDirectoryThatIsNotEmpty) {
  run(EntryPoint::InstallCEApps, "edges", only({"Deep"}, kInstalling));
  run(EntryPoint::RemoveCEApps, "edges", only({"Deep"}, kRemoving));
  writeFile(onDrive("Level1/Level2/notes.txt"), "kept");
  EXPECT_THAT(run(EntryPoint::CEObjectCleanup, "edges", only({"Deep"}, kRemoving)), ElementsAre(kEdgesLostDirectory));
  EXPECT_FALSE(std::filesystem::exists(onDrive("Level1/Level2/Level3")));
  EXPECT_TRUE(std::filesystem::exists(onDrive("Level1/Level2/notes.txt")));
}

TEST_F(RemovalTest, CleanupOfADirectoryThatStillHoldsFilesSucceedsAndRemovesNothing) {
  run(EntryPoint::InstallCEApps, "edges", only({"Deep"}, kInstalling));
  EXPECT_THAT(run(EntryPoint::CEObjectCleanup, "edges", only({"Deep"}, kRemoving)), ElementsAre(kEdgesLostDirectory));
  EXPECT_TRUE(std::filesystem::exists(onDrive("Level1/Level2/Level3/Deep.ini")));
}

TEST_F(RemovalTest, OneFailingRowIsReportedOnceAndTheOtherRowsAreStillHandled) {
  const Plan installing = only({"GoodFirst", "GoodLast"}, kInstalling);
  run(EntryPoint::InstallCEApps, "failures", installing);
  ASSERT_TRUE(std::filesystem::exists(onDrive("Failures/GoodFirst.ini")));
  ASSERT_TRUE(std::filesystem::exists(onDrive("Failures/GoodLast.ini")));

  const Plan removing = only({"GoodFirst", "CabNoComma", "IconNoComma", "GoodLast"}, kRemoving);
  const auto log = run(EntryPoint::RemoveCEApps, "failures", removing);
  EXPECT_THAT(log, testing::UnorderedElementsAre(
                       "Error in extracting the cab file info from SFDeskSetup Table Record with Key CabNoComma",
                       "Error in extracting the ico file info from SFDeskSetup Table Record with Key IconNoComma",
                       "Error in Uninstalling Device Files"));
  EXPECT_EQ(log.back(), "Error in Uninstalling Device Files");
  EXPECT_THAT(filesOnDrive(), IsEmpty());
}

TEST_F(RemovalTest, RemovalNamesNothingOutsideTheRowsDirectory) {
  writeFile(onDrive("Failures/escaped.cab"), "not the package's");
  writeFile(onDrive("escaped.cab"), "not the package's");
  writeFile(onDrive("Failures/escaped.ini"), "not the package's");
  const auto log = run(EntryPoint::RemoveCEApps, "failures", only({"CabClimbs", "CabRooted", "IniClimbs"}, kRemoving));
  EXPECT_THAT(log, testing::UnorderedElementsAre(
                       "Error in extracting the cab file info from SFDeskSetup Table Record with Key CabClimbs",
                       "Error in extracting the cab file info from SFDeskSetup Table Record with Key CabRooted",
                       "Error in extracting the ini file info from SFDeskSetup Table Record with Key IniClimbs",
                       "Error in Uninstalling Device Files"));
  EXPECT_THAT(filesOnDrive(), ElementsAre("Failures/escaped.cab", "Failures/escaped.ini", "escaped.cab"));
}

// Something planted in the root on a row's path: a link at the file or at a
// directory on the way (the README's link to the application manager among
// them), or a FIFO. Install, removal and cleanup never write or delete
// through it, and the FIFO does not hold the install.
struct PlantedCase {
  const char* name;
  const char* row;
  const char* plantedAt;  // on drive C:
  const char* linkTarget;  // below the folder outside the root; a FIFO when null
  std::vector<std::string> installLog;
  friend void PrintTo(const PlantedCase& value, std::ostream* out) { *out << value.name; }
};

class PlantedEntryTest : public RemovalTest, public testing::WithParamInterface<PlantedCase> {
protected:
  void TearDown() override {
    std::filesystem::remove_all(outside());
    RemovalTest::TearDown();
  }
  std::filesystem::path outside() const { return root_.string() + ".outside"; }
};

TEST_P(PlantedEntryTest, IsNeverWrittenOrDeletedThrough) {
  const PlantedCase& planted = GetParam();
  writeFile(outside() / "GoodLast.ini", "not the package's");
  std::filesystem::copy_file(desktopProgram("ceappmgr"), outside() / "ceappmgr");
  std::filesystem::remove(onDrive(planted.plantedAt));
  std::filesystem::create_directories(onDrive(planted.plantedAt).parent_path());
  if (planted.linkTarget != nullptr) {
    std::filesystem::create_symlink(outside() / planted.linkTarget, onDrive(planted.plantedAt));
  } else {
    ASSERT_EQ(::mkfifo(onDrive(planted.plantedAt).c_str(), 0600), 0);
  }
  EXPECT_THAT(run(EntryPoint::InstallCEApps, "failures", only({planted.row}, kInstalling)),
              testing::ElementsAreArray(planted.installLog));
  run(EntryPoint::RemoveCEApps, "failures", only({planted.row}, kRemoving));
  run(EntryPoint::CEObjectCleanup, "failures", only({planted.row}, kRemoving));
  EXPECT_EQ(readFile(outside() / "GoodLast.ini"), "not the package's");
  EXPECT_EQ(readFile(outside() / "ceappmgr"), readFile(desktopProgram("ceappmgr")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(outside()), std::filesystem::directory_iterator()), 2);
}

const std::string kRefusedLink = ") failed: The create operation stopped after reaching a symbolic link.";
const std::string kSummary = "Error in processing the SFDeskSetup Table";
const std::string kGoodLastIni = "Error in extracting the ini file from SFDeskSetup Table Record with Key GoodLast";

INSTANTIATE_TEST_SUITE_P(
    Plantings, PlantedEntryTest,
    testing::Values(
        PlantedCase{"LinkAtTheFile", "GoodLast", "Failures/GoodLast.ini", "GoodLast.ini",
                    {"CreateFileA(C:\\Failures\\GoodLast.ini" + kRefusedLink, kGoodLastIni, kSummary}},
        PlantedCase{"LinkOnTheWay", "GoodLast", "Failures", ".",
                    {"CreateFileA(C:\\Failures\\GoodLast.ini" + kRefusedLink, kGoodLastIni, kSummary}},
        PlantedCase{"LinkToTheAppManager", "IconOnManager", kAppManagerOnDrive, "ceappmgr",
                    {"CreateFileA(C:\\Program Files\\App Manager\\ceappmgr.exe" + kRefusedLink,
                     "Error in extracting the Ico file from SFDeskSetup Table Record with Key IconOnManager", kSummary}},
        PlantedCase{"Fifo", "GoodLast", "Failures/GoodLast.ini", nullptr,
                    {"CreateFileA(C:\\Failures\\GoodLast.ini) failed: The file cannot be accessed by the system.",
                     kGoodLastIni, kSummary}}),
    [](const testing::TestParamInfo<PlantedCase>& parameter) { return std::string(parameter.param.name); });

TEST_F(RemovalTest, ADirectoryWithoutValueFailsTheRowWithItsOwnMessage) {
  EXPECT_THAT(run(EntryPoint::RemoveCEApps, "nodirs", Plan{{}, kRemoving}),
              ElementsAre("Directory Value of DirKey:SOMEDIR is not valid. Defaulting to INSTALLDIR",
                          "Error in getting the Value of the Directory: INSTALLDIR. Unable to Delete the "
                          "Installation Files for",
                          "Error in Uninstalling Device Files"));
  EXPECT_THAT(run(EntryPoint::CEObjectCleanup, "nodirs", Plan{{}, kRemoving}),
              ElementsAre("Directory Value of DirKey:SOMEDIR is not valid. Defaulting to INSTALLDIR",
                          "Error in getting the Value of the Directory: INSTALLDIR. Unable to Delete the desktop "
                          "directory",
                          "Error in CE Object cleanup"));
}

}  // namespace
}  // namespace desktoptest
