// What the application manager stand-in accepts and refuses.
#include "InstallationCheck.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <fstream>

using testing::ElementsAre;

namespace {

class InstallationCheckTest : public testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "appmgr-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  void put(const std::string& name, const std::string& contents) { std::ofstream(root_ / name) << contents; }
  appmgr::CheckedApplication check(const std::string& windowsPath) {
    return appmgr::checkIniFile(windowsPath, [this](const std::string& path) -> std::optional<std::filesystem::path> {
      if (path.rfind("C:\\", 0) != 0) return std::nullopt;
      return root_ / path.substr(3);
    });
  }

  std::filesystem::path root_;
};

constexpr const char* kIni = "[CEAppManager]\nVersion = 1.0\nComponent = App\n[App]\nDescription = An app\nCabFiles = a.cab,b.cab\n";

TEST_F(InstallationCheckTest, AnIniWhoseCabinetsAreThereIsInstallable) {
  put("app.ini", kIni);
  put("a.cab", "MSCF1234");
  put("b.cab", "MSCF");
  const auto checked = check("C:\\app.ini");
  EXPECT_TRUE(checked.installable);
  EXPECT_THAT(checked.report, ElementsAre("C:\\app.ini: install \"App\" (An app) from a.cab (8 bytes) b.cab (4 bytes)"));
}

TEST_F(InstallationCheckTest, MissingFilesSectionsAndNonCabinetsAreReported) {
  EXPECT_THAT(check("C:\\none.ini").report, ElementsAre("C:\\none.ini: error: cannot read the file"));
  put("bare.ini", "[Other]\nx=1\n");
  EXPECT_THAT(check("C:\\bare.ini").report,
              ElementsAre("C:\\bare.ini: error: no [CEAppManager] section naming a Component"));
  put("nosection.ini", "[CEAppManager]\nComponent = Gone\n");
  EXPECT_THAT(check("C:\\nosection.ini").report,
              ElementsAre("C:\\nosection.ini: error: no section for component \"Gone\""));
  put("app.ini", kIni);
  put("a.cab", "not a cabinet");
  const auto checked = check("C:\\app.ini");
  EXPECT_FALSE(checked.installable);
  EXPECT_THAT(checked.report, ElementsAre("C:\\app.ini: error: cab file a.cab is not a cabinet",
                                          "C:\\app.ini: error: cab file b.cab is missing"));
}

}  // namespace
