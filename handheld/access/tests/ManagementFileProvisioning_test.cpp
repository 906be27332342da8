#include "access/ManagementFileProvisioning.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "access/tests/DataFileTesting.h"
#include "testing/HandheldHarness.h"

namespace p42r::access {
namespace {

struct Provisioning : ::testing::Test, testing::HandheldHarness {
  std::filesystem::path managementFile = test::ManagementFile(directory.path());
};

TEST_F(Provisioning, ANewRootGetsTheCommonPasswordAndIsMarkedAsSetUp) {
  EXPECT_EQ(SetUpManagementFile(files, deviceRoot, codePage), std::nullopt);
  EXPECT_EQ(test::Content(managementFile), test::Layout("", "OK", "1"));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(managementFile.parent_path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"mng2dat.ini"}) << "no copy is left beside it";
  EXPECT_TRUE(std::filesystem::exists(deviceRoot.setUpMarker()));
}

TEST_F(Provisioning, AnExistingFileIsNeverReplaced) {
  const std::string individual = test::Layout(test::Scrambled("mine"), "LOCK", "0");
  test::Put(managementFile, individual);
  EXPECT_EQ(SetUpManagementFile(files, deviceRoot, codePage), std::nullopt);
  EXPECT_EQ(test::Content(managementFile), individual);
  EXPECT_TRUE(std::filesystem::exists(deviceRoot.setUpMarker())) << "a root used before the marker is in use";

  // Even one that cannot be read right now.
  files.faults().size = EIO;
  const auto problem = SetUpManagementFile(files, deviceRoot, codePage);
  ASSERT_TRUE(problem.has_value());
  EXPECT_NE(problem->find("Input/output error"), std::string::npos) << *problem;
  files.heal();
  EXPECT_EQ(test::Content(managementFile), individual);
}

TEST_F(Provisioning, AFileThatCannotBeCreatedIsReported) {
  files.faults().create = EROFS;
  const auto problem = SetUpManagementFile(files, deviceRoot, codePage);
  ASSERT_TRUE(problem.has_value());
  EXPECT_NE(problem->find("mng2dat.ini"), std::string::npos) << *problem;
  EXPECT_NE(problem->find("Read-only file system"), std::string::npos) << *problem;
  EXPECT_FALSE(std::filesystem::exists(managementFile));
  EXPECT_FALSE(std::filesystem::exists(deviceRoot.setUpMarker())) << "the next start tries again";
}

}  // namespace
}  // namespace p42r::access
