// How InstallCEApps reports a row that cannot be written, and how failures
// of installer and system calls reach the log instead of the installer.
#include "PackageFixture.h"
#include "standin/ComState.h"
#include "standin/FaultInjection.h"

#include <gmock/gmock.h>

using desksetup::EntryPoint;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

namespace desktoptest {
namespace {

constexpr const char* kSummary = "Error in processing the SFDeskSetup Table";

std::string rowMessage(const std::string& kind, const std::string& key) {
  return "Error in extracting the " + kind + " from SFDeskSetup Table Record with Key " + key;
}

struct FailingRow {
  const char* key;
  std::vector<std::string> messages;  // before the summary
  friend void PrintTo(const FailingRow& value, std::ostream* out) { *out << value.key; }
};

class FailingRowTest : public PackageTest, public testing::WithParamInterface<FailingRow> {};

TEST_P(FailingRowTest, IsLoggedWithItsOwnMessageAndFailsTheInstall) {
  const FailingRow& row = GetParam();
  auto expected = row.messages;
  expected.emplace_back(kSummary);
  EXPECT_THAT(run(EntryPoint::InstallCEApps, "failures", only({row.key}, kInstalling)), ElementsAreArray(expected));
  EXPECT_THAT(appManagerRecord(), IsEmpty());
  // Nothing is ever written outside the directories of the package.
  for (const std::string& file : filesOnDrive()) {
    EXPECT_EQ(file.rfind("Failures/", 0), 0u) << file;
    EXPECT_EQ(file.find("escaped"), std::string::npos) << file;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FailingRowTest,
    testing::Values(
        FailingRow{"MissingIni",
                   {"Error in Extracting Binary Table Record with Key NoSuchIni", rowMessage("ini file", "MissingIni")}},
        FailingRow{"CabNoComma", {rowMessage("cab file", "CabNoComma")}},
        FailingRow{"CabEmptyItem", {rowMessage("cab file", "CabEmptyItem")}},
        FailingRow{"CabMissingKey",
                   {"Error in Extracting Binary Table Record with Key NoSuchCab", rowMessage("Cab file", "CabMissingKey")}},
        FailingRow{"IconNoComma", {rowMessage("ico file", "IconNoComma")}},
        FailingRow{"IconEmpty", {rowMessage("ico file", "IconEmpty")}},
        FailingRow{"IconMissingKey",
                   {"Error in Extracting Binary Table Record with Key NoSuchIcon", rowMessage("Ico file", "IconMissingKey")}},
        FailingRow{"CabClimbs", {rowMessage("cab file", "CabClimbs")}},
        FailingRow{"CabRooted", {rowMessage("cab file", "CabRooted")}},
        FailingRow{"IconDrive", {rowMessage("ico file", "IconDrive")}},
        FailingRow{"IniClimbs", {rowMessage("ini file", "IniClimbs")}},
        FailingRow{"IconQuoted", {rowMessage("ico file", "IconQuoted")}},
        FailingRow{"DirQuoted", {rowMessage("ini file", "DirQuoted")}}),
    [](const testing::TestParamInfo<FailingRow>& parameter) { return std::string(parameter.param.key); });

class InstallerFailuresTest : public PackageTest {};

TEST_F(InstallerFailuresTest, TheFirstFailingRowEndsTheBackwardWalk) {
  const auto log = run(EntryPoint::InstallCEApps, "failures", only({"GoodFirst", "CabNoComma", "GoodLast"}, kInstalling));
  EXPECT_THAT(log, ElementsAre(rowMessage("cab file", "CabNoComma"), kSummary));
  const auto order = tableRowOrder("failures");
  const auto position = [&](const char* key) { return std::find(order.begin(), order.end(), key) - order.begin(); };
  const auto failing = position("CabNoComma");
  // Rows after the failing one in table order were written before it; rows before it never are.
  EXPECT_EQ(std::filesystem::exists(onDrive("Failures/GoodFirst.ini")), position("GoodFirst") > failing);
  EXPECT_EQ(std::filesystem::exists(onDrive("Failures/GoodLast.ini")), position("GoodLast") > failing);
  // The failing row's .ini was written before its cab list was looked at.
  EXPECT_TRUE(std::filesystem::exists(onDrive("Failures/CabNoComma.ini")));
}

TEST_F(InstallerFailuresTest, AFileThatCannotBeCreatedIsLoggedWithItsSystemErrorAndTheCallStillSucceeds) {
  std::filesystem::create_directories(onDrive("Failures/GoodLast.ini"));  // a directory where the file goes
  const auto log = run(EntryPoint::InstallCEApps, "failures", only({"GoodLast"}, kInstalling));
  EXPECT_THAT(log, ElementsAre("CreateFileA(C:\\Failures\\GoodLast.ini) failed: Access is denied.", kSummary));
}

TEST_F(InstallerFailuresTest, AnIconThatLandsOnTheAppManagerLeavesItUntouchedAndFailsItsRow) {
  const auto manager = readFile(onDrive(kAppManagerOnDrive));
  ASSERT_TRUE(manager);
  EXPECT_THAT(run(EntryPoint::InstallCEApps, "failures", only({"IconOnManager"}, kInstalling)),
              ElementsAre("CreateFileA(C:\\Program Files\\App Manager\\ceappmgr.exe) failed: The file cannot be "
                          "accessed by the system.",
                          rowMessage("Ico file", "IconOnManager"), kSummary));
  EXPECT_EQ(readFile(onDrive(kAppManagerOnDrive)), manager);
  EXPECT_THAT(appManagerRecord(), IsEmpty());
}

TEST_F(InstallerFailuresTest, AShortWriteIsLoggedWithItsSystemError) {
  standin::failNextCall("WriteFile", ERROR_DISK_FULL);
  const auto log = run(EntryPoint::InstallCEApps, "failures", only({"GoodLast"}, kInstalling));
  EXPECT_THAT(log, ElementsAre("WriteFile(C:\\Failures\\GoodLast.ini) failed: There is not enough space on the disk.",
                               kSummary));
}

TEST_F(InstallerFailuresTest, AFailedStreamReadIsLoggedForTheKeyAndTheFile) {
  standin::failNextCall("MsiRecordReadStream", ERROR_FUNCTION_FAILED);
  const auto log = run(EntryPoint::InstallCEApps, "failures", only({"GoodLast"}, kInstalling));
  EXPECT_THAT(log, ElementsAre("Error in Reading the Binary Table Record Data with Key PlainIni",
                               rowMessage("ini file", "GoodLast"), kSummary));
}

TEST_F(InstallerFailuresTest, AFailedFieldReadIsCaughtLoggedAndPublishedAsErrorInformation) {
  standin::failNextCall("MsiRecordGetStringA", ERROR_INVALID_HANDLE, 3,
                        {"2259", "the record went away", "SFDeskSetup"});
  const auto log = run(EntryPoint::InstallCEApps, "failures", Plan{{}, kInstalling});
  const std::string description =
      "Windows Installer Error 2259: the record went away, SFDeskSetup\nMsiRecordGetString()";
  EXPECT_THAT(log, ElementsAre(description, kSummary));
  EXPECT_EQ(standin::currentErrorDescription(), description);
  EXPECT_THAT(filesOnDrive(), IsEmpty());
}

TEST_F(InstallerFailuresTest, AFailedDirectoryPropertyReadDuringRemovalNamesTheProperty) {
  standin::failNextCall("MsiGetPropertyA", ERROR_INVALID_HANDLE);
  const auto log = run(EntryPoint::RemoveCEApps, "failures", only({"GoodFirst"}, kRemoving));
  EXPECT_THAT(log, ElementsAre("The handle is invalid.\r\nMsiGetProperty(INSTALLDIR)", "Error in Uninstalling Device Files"));
}

TEST_F(InstallerFailuresTest, FailingToPublishTheErrorInformationStillEndsInTheLog) {
  standin::failNextCall("MsiGetPropertyA", ERROR_INVALID_HANDLE);
  standin::failNextCall("CreateErrorInfo", static_cast<unsigned>(E_OUTOFMEMORY));
  const auto log = run(EntryPoint::CEObjectCleanup, "failures", only({"GoodFirst"}, kRemoving));
  EXPECT_THAT(log, ElementsAre("CreateErrorInfo failed", "Error in CE Object cleanup"));
}

TEST_F(InstallerFailuresTest, WithoutADatabaseNothingIsReadAndTheInstallFails) {
  standin::failNextCall("MsiGetActiveDatabase", ERROR_INVALID_HANDLE);
  EXPECT_THAT(run(EntryPoint::InstallCEApps, "ceapps", Plan{{}, kInstalling}),
              ElementsAre("Unable to get the Database Handle", kSummary));
  standin::failNextCall("MsiGetActiveDatabase", ERROR_INVALID_HANDLE);
  EXPECT_THAT(run(EntryPoint::RemoveCEApps, "ceapps", Plan{{}, kRemoving}),
              ElementsAre("Unable to get the Database Handle"));
}

TEST_F(InstallerFailuresTest, ADirectoryThatCannotBeCreatedIsNamed) {
  writeFile(onDrive("Failures"), "a file where the directory should be");
  EXPECT_THAT(run(EntryPoint::InstallCEApps, "failures", only({"GoodLast"}, kInstalling)),
              ElementsAre("Unable to create Directory: C:\\Failures\\", kSummary));
}

}  // namespace
}  // namespace desktoptest
