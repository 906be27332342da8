// Windows paths mapped into drive folders, never above a drive's root.
#include "standin/DriveMap.h"

#include <gtest/gtest.h>

namespace {

class DriveMapTest : public testing::Test {
protected:
  void SetUp() override {
    standin::unmapAllDrives();
    standin::mapDrive('C', "/srv/c");
    standin::mapDrive('d', "/srv/d");
  }
  void TearDown() override { standin::unmapAllDrives(); }
};

TEST_F(DriveMapTest, DrivePathsLandInTheirDrivesFolder) {
  EXPECT_EQ(standin::toHostPath("C:\\Program Files\\P42R\\a.ini"), "/srv/c/Program Files/P42R/a.ini");
  EXPECT_EQ(standin::toHostPath("d:/data/x.cab"), "/srv/d/data/x.cab");
  EXPECT_EQ(standin::toHostPath("C:\\"), "/srv/c");
  EXPECT_EQ(standin::toHostPath("C:"), "/srv/c");
  EXPECT_EQ(standin::toHostPath("C:\\dir\\\\sub\\"), "/srv/c/dir/sub");
}

TEST_F(DriveMapTest, DotsResolveAsWindowsResolvesThemAndStopAtTheRoot) {
  EXPECT_EQ(standin::toHostPath("C:\\a\\.\\b\\..\\c.ini"), "/srv/c/a/c.ini");
  EXPECT_EQ(standin::toHostPath("C:\\..\\..\\etc\\passwd"), "/srv/c/etc/passwd");
  EXPECT_EQ(standin::toHostPath("C:\\a\\.. \\..\\b"), "/srv/c/b");
  EXPECT_EQ(standin::toHostPath("C:\\name.\\file. "), "/srv/c/name/file");
}

TEST_F(DriveMapTest, PathsWithoutADriveCountFromDriveC) {
  EXPECT_EQ(standin::toHostPath("\\Windows\\x"), "/srv/c/Windows/x");
  EXPECT_EQ(standin::toHostPath("relative\\x"), "/srv/c/relative/x");
}

TEST_F(DriveMapTest, UnmappedDrivesAndNetworkPathsHaveNoHostPath) {
  EXPECT_FALSE(standin::toHostPath("E:\\x"));
  EXPECT_FALSE(standin::toHostPath("\\\\server\\share\\x"));
}

TEST_F(DriveMapTest, TheMappingTravelsThroughTheEnvironment) {
  standin::exportDrivesToEnvironment();
  standin::unmapAllDrives();
  EXPECT_FALSE(standin::toHostPath("C:\\x"));
  standin::loadDrivesFromEnvironment();
  EXPECT_EQ(standin::toHostPath("C:\\x"), "/srv/c/x");
  EXPECT_EQ(standin::toHostPath("D:\\x"), "/srv/d/x");
  EXPECT_FALSE(standin::toHostPath("E:\\x"));
}

}  // namespace
