// Target paths from the Directory table and the properties.
#include "DirectoryResolver.h"

#include <gtest/gtest.h>

namespace {

using Rows = std::vector<standin::DirectoryRow>;

const Rows kRows = {
    {"TARGETDIR", "", "SourceDir"},
    {"ProgramFilesFolder", "TARGETDIR", "."},
    {"P42RDIR", "ProgramFilesFolder", "P42R"},
    {"INSTALLDIR", "P42RDIR", "DESKTO~1|Desktop Setup:SRC"},
    {"SAMEDIR", "INSTALLDIR", "."},
    {"ORPHAN", "NOPARENT", "Orphan"},
    {"LOOPA", "LOOPB", "A"},
    {"LOOPB", "LOOPA", "B"},
};

std::map<std::string, std::string> resolve(std::map<std::string, std::string> properties) {
  return standin::resolveDirectories(kRows, [&](const std::string& name) {
    const auto found = properties.find(name);
    return found == properties.end() ? std::string() : found->second;
  });
}

TEST(DirectoryResolver, ChildrenFollowTheirParentsWithTheLongTargetName) {
  const auto paths = resolve({{"ProgramFilesFolder", "C:\\Program Files"}});
  EXPECT_EQ(paths.at("TARGETDIR"), "C:\\");
  EXPECT_EQ(paths.at("ProgramFilesFolder"), "C:\\Program Files\\");
  EXPECT_EQ(paths.at("P42RDIR"), "C:\\Program Files\\P42R\\");
  EXPECT_EQ(paths.at("INSTALLDIR"), "C:\\Program Files\\P42R\\Desktop Setup\\");
  EXPECT_EQ(paths.at("SAMEDIR"), paths.at("INSTALLDIR"));
}

TEST(DirectoryResolver, APropertyNamedLikeADirectoryPlacesItAndItsChildren) {
  const auto paths = resolve({{"ROOTDRIVE", "D:\\"}, {"P42RDIR", "E:\\Apps"}});
  EXPECT_EQ(paths.at("TARGETDIR"), "D:\\");
  EXPECT_EQ(paths.at("ProgramFilesFolder"), "D:\\");
  EXPECT_EQ(paths.at("P42RDIR"), "E:\\Apps\\");
  EXPECT_EQ(paths.at("INSTALLDIR"), "E:\\Apps\\Desktop Setup\\");
}

TEST(DirectoryResolver, RowsUnderAMissingParentOrInACycleHaveNoPath) {
  const auto paths = resolve({});
  EXPECT_EQ(paths.count("ORPHAN"), 0u);
  EXPECT_EQ(paths.count("LOOPA"), 0u);
  EXPECT_EQ(paths.count("LOOPB"), 0u);
}

}  // namespace
