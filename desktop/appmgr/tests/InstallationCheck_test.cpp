// What the application manager stand-in accepts and refuses.
#include "InstallationCheck.h"

#include <gmock/gmock.h>

#include <map>

using testing::ElementsAre;

namespace {

class InstallationCheckTest : public testing::Test {
protected:
  void put(const std::string& windowsPath, const std::string& contents) { files_[windowsPath] = contents; }
  appmgr::CheckedApplication check(const std::string& windowsPath) {
    return appmgr::checkIniFile(windowsPath, [this](const std::string& path) -> std::optional<std::string> {
      read_.push_back(path);
      const auto found = files_.find(path);
      return found == files_.end() ? std::nullopt : std::optional<std::string>(found->second);
    });
  }

  std::map<std::string, std::string> files_;
  std::vector<std::string> read_;
};

constexpr const char* kIni = "[DeviceInstall]\nName = App\nDescription = An app\nCabs = a.cab,b.cab\n";

TEST_F(InstallationCheckTest, AnIniWhoseCabinetsLieBesideItIsInstallable) {
  put("C:\\Apps\\app.ini", kIni);
  put("C:\\Apps\\a.cab", "MSCF1234");
  put("C:\\Apps\\b.cab", "MSCF");
  const auto checked = check("C:\\Apps\\app.ini");
  EXPECT_TRUE(checked.installable);
  EXPECT_THAT(checked.report,
              ElementsAre("C:\\Apps\\app.ini: install \"App\" (An app) from a.cab (8 bytes) b.cab (4 bytes)"));
  EXPECT_THAT(read_, ElementsAre("C:\\Apps\\app.ini", "C:\\Apps\\a.cab", "C:\\Apps\\b.cab"));
}

TEST_F(InstallationCheckTest, TheDescriptionIsOptional) {
  put("C:\\app.ini", "[deviceinstall]\nname=Bare\ncabs= a.cab \n");
  put("C:\\a.cab", "MSCF");
  EXPECT_THAT(check("C:\\app.ini").report, ElementsAre("C:\\app.ini: install \"Bare\" from a.cab (4 bytes)"));
}

TEST_F(InstallationCheckTest, UnreadableFilesAndIncompleteSectionsAreRefused) {
  EXPECT_THAT(check("C:\\none.ini").report, ElementsAre("C:\\none.ini: error: cannot read the file"));
  put("C:\\bare.ini", "[Other]\nName = x\nCabs = a.cab\n");
  EXPECT_THAT(check("C:\\bare.ini").report, ElementsAre("C:\\bare.ini: error: no [DeviceInstall] section"));
  put("C:\\noname.ini", "[DeviceInstall]\nName =\nCabs = a.cab\n");
  EXPECT_THAT(check("C:\\noname.ini").report, ElementsAre("C:\\noname.ini: error: [DeviceInstall] gives no Name"));
  put("C:\\nocabs.ini", "[DeviceInstall]\nName = Gone\nCabs = , ,\n");
  const auto checked = check("C:\\nocabs.ini");
  EXPECT_FALSE(checked.installable);
  EXPECT_THAT(checked.report, ElementsAre("C:\\nocabs.ini: error: \"Gone\" names no Cabs"));
}

TEST_F(InstallationCheckTest, EveryMissingOrFalseCabinetIsReportedAndNoneOutsideTheDirectoryIsRead) {
  put("C:\\Apps\\app.ini", "[DeviceInstall]\nName = App\nCabs = a.cab, b.cab, ..\\c.cab, D:\\d.cab, e.cab\n");
  put("C:\\Apps\\a.cab", "not a cabinet");
  put("C:\\Apps\\e.cab", "MSCF");
  const auto checked = check("C:\\Apps\\app.ini");
  EXPECT_FALSE(checked.installable);
  EXPECT_THAT(checked.report, ElementsAre("C:\\Apps\\app.ini: error: cab file a.cab is not a cabinet",
                                          "C:\\Apps\\app.ini: error: cab file b.cab is missing",
                                          "C:\\Apps\\app.ini: error: cab file ..\\c.cab is not beside the .ini",
                                          "C:\\Apps\\app.ini: error: cab file D:\\d.cab is not beside the .ini"));
  EXPECT_THAT(read_, ElementsAre("C:\\Apps\\app.ini", "C:\\Apps\\a.cab", "C:\\Apps\\b.cab", "C:\\Apps\\e.cab"));
}

}  // namespace
