// desksetup-host end to end: the real host loads the built library and
// runs install, remove and cleanup on a package built from the IDT sources.
#include "PackageFixture.h"

#include <gmock/gmock.h>

#include <fstream>

using testing::HasSubstr;

namespace desktoptest {
namespace {

class HostCommandTest : public PackageTest {
protected:
  std::string host(const std::string& arguments, int& status) {
    return runCommand("env P42R_APPMGR_RECORD='" + recordFile_.string() + "' " +
                          desktopProgram("desksetup-host").string() + " --root '" + root_.string() + "' " + arguments +
                          " 2>&1",
                      status);
  }
  std::string package(const std::string& name) { return "'" + packagePath(name).string() + "'"; }
};

TEST_F(HostCommandTest, InstallRemoveAndCleanupRunThroughTheLoadedLibrary) {
  int status = -1;
  const std::string installed = host("install " + package("ceapps"), status);
  EXPECT_EQ(status, 0) << installed;
  EXPECT_THAT(installed, HasSubstr("appmgr: command line: \"C:\\Program Files\\App Manager\\ceappmgr.exe\" \""));
  EXPECT_EQ(readFile(onDrive("Program Files/P42R/Desktop Setup/Update/P42RUpdate.MIPS.cab")),
            binaryStream("ceapps", "UpdaterMips"));
  ASSERT_EQ(appManagerRecord().size(), 5u);

  EXPECT_EQ(host("remove " + package("ceapps"), status), "");
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(filesOnDrive().empty());
  EXPECT_EQ(host("cleanup " + package("ceapps"), status), "");
  EXPECT_EQ(status, 0);
  EXPECT_FALSE(std::filesystem::exists(onDrive("Program Files/P42R")));
}

TEST_F(HostCommandTest, PrintsTheInstallationLogAndTakesPropertiesAndComponentStates) {
  int status = -1;
  const std::string output = host("install " + package("edges") + " --component '*=unknown,unknown' " +
                                      "--component Lost=absent,local CEAPPMGRLOC='C:\\Nowhere\\ceappmgr.exe'",
                                  status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(output,
            "Directory Value of DirKey:NOSUCHDIR is not valid. Defaulting to INSTALLDIR\n"
            "Error in launching in the CE App Manager\n");
  EXPECT_TRUE(std::filesystem::exists(onDrive("Edges/Lost.ini")));
  EXPECT_TRUE(std::filesystem::exists(onDrive("Edges/Loose.ini")));
  EXPECT_FALSE(std::filesystem::exists(onDrive("Edges/Pair.ini")));
}

TEST_F(HostCommandTest, RejectsBadCommandLinesAndMissingPackagesWithTheirOwnStatus) {
  int status = -1;
  EXPECT_THAT(host("", status), HasSubstr("expected a command"));
  EXPECT_EQ(status, 2);
  EXPECT_THAT(host("uninstall " + package("ceapps"), status), HasSubstr("unknown command 'uninstall'"));
  EXPECT_EQ(status, 2);
  EXPECT_THAT(host("install " + package("ceapps") + " --component Updater=local", status),
              HasSubstr("--component takes NAME=INSTALLED,ACTION"));
  EXPECT_EQ(status, 2);
  EXPECT_THAT(host("install '" + (root_ / "missing.msi").string() + "'", status),
              HasSubstr("missing.msi: No such file or directory"));
  EXPECT_EQ(status, 1619 % 256);
  std::ofstream(root_ / "text.msi") << "not a package\n";
  EXPECT_THAT(host("install '" + (root_ / "text.msi").string() + "'", status),
              HasSubstr("text.msi: not an installer package"));
  EXPECT_EQ(status, 1619 % 256);
  std::filesystem::remove(root_ / "text.msi");
  EXPECT_THAT(host("install " + package("ceapps") + " --library '" + (root_ / "none.so").string() + "'", status),
              HasSubstr("cannot load"));
  EXPECT_EQ(status, 1603 % 256);
  EXPECT_THAT(host("--help", status), HasSubstr("Usage: desksetup-host install|remove|cleanup PACKAGE.msi"));
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(filesOnDrive().empty());
}

}  // namespace
}  // namespace desktoptest
