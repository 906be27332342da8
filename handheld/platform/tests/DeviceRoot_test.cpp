#include "platform/DeviceRoot.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/DiagnosticLog.h"
#include "platform/LastError.h"
#include "platform/NamedMutex.h"

namespace p42r::platform {
namespace {

namespace fs = std::filesystem;

struct TempRoot : ::testing::Test {
  fs::path directory;
  void SetUp() override {
    char pattern[] = "/tmp/p42r-root-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    directory = pattern;
  }
  void TearDown() override { fs::remove_all(directory); }
};

TEST_F(TempRoot, HandheldPathsMapBelowTheRootAndNeverAboveIt) {
  const DeviceRoot root(directory);
  EXPECT_EQ(root.hostPath(u"\\Program Files\\P42R\\mng2dat.ini"), directory / "Program Files" / "P42R" / "mng2dat.ini");
  EXPECT_EQ(root.hostPath(u"\\a\\\\b\\.\\c"), directory / "a" / "b" / "c");
  EXPECT_EQ(root.hostPath(u"\\a\\..\\..\\etc\\passwd"), std::nullopt);
  EXPECT_EQ(root.hostPath(u"\\a/../../x"), std::nullopt);
  EXPECT_EQ(root.hostPath(u"\\C:\\x"), std::nullopt);
}

TEST_F(TempRoot, PrepareMakesTheProgramDirectoryAndRefusesWhatCannotBeUsed) {
  const DeviceRoot root(directory / "new" / "device");
  EXPECT_EQ(root.prepare(false), "device root " + root.directory().string() + " does not exist");
  const mode_t umaskBefore = ::umask(022);
  EXPECT_EQ(root.prepare(true), std::nullopt);
  ::umask(umaskBefore);
  EXPECT_TRUE(fs::is_directory(root.directory() / "Program Files" / "P42R"));
  for (const fs::path& made : {directory / "new", root.directory(), root.directory() / "Program Files" / "P42R"}) {
    EXPECT_EQ(fs::status(made).permissions(), fs::perms::owner_all) << made << " is its owner's alone";
  }

  std::ofstream(directory / "file") << "x";
  EXPECT_NE(DeviceRoot(directory / "file").prepare(false), std::nullopt);
  if (::geteuid() != 0) {  // root may write anywhere
    fs::create_directory(directory / "locked");
    ::chmod((directory / "locked").c_str(), 0500);
    EXPECT_NE(DeviceRoot(directory / "locked").prepare(false), std::nullopt);
  }
}

TEST_F(TempRoot, ARootOthersMayWriteOrOwnIsRefused) {
  const DeviceRoot root(directory);
  for (const mode_t mode : {mode_t{0777}, mode_t{0770}, mode_t{0703}}) {
    ::chmod(directory.c_str(), mode);
    const auto problem = root.prepare(false);
    ASSERT_NE(problem, std::nullopt) << std::oct << mode;
    EXPECT_NE(problem->find("chmod go-w"), std::string::npos) << *problem;
  }
  ::chmod(directory.c_str(), 0755);
  EXPECT_EQ(root.prepare(false), std::nullopt);
  if (::geteuid() == 0) {  // only root can give a directory away
    ASSERT_EQ(::chown(directory.c_str(), 65534, 65534), 0);
    const auto problem = root.prepare(false);
    ASSERT_NE(problem, std::nullopt);
    EXPECT_NE(problem->find("another user"), std::string::npos) << *problem;
    ASSERT_EQ(::chown(directory.c_str(), 0, 0), 0);
  }
}

TEST_F(TempRoot, ANamedMutexIsHeldOncePerNameAndReleasedWithItsObject) {
  const DeviceRoot root(directory);
  ASSERT_EQ(root.prepare(false), std::nullopt);
  std::uint32_t error = 0;
  auto first = NamedMutex::create(root, u"P42RApplication", error);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(error, ERROR_SUCCESS);
  EXPECT_EQ(NamedMutex::create(root, u"P42RApplication", error), nullptr);
  EXPECT_EQ(error, ERROR_ALREADY_EXISTS);
  EXPECT_NE(NamedMutex::create(root, u"Other", error), nullptr);
  first.reset();
  EXPECT_NE(NamedMutex::create(root, u"P42RApplication", error), nullptr);
}

TEST_F(TempRoot, LogLinesCarryTheLocalTimeAndEndInCrLf) {
  ::setenv("TZ", "UTC", 1);
  ::tzset();
  // 2007-11-12 07:44:41 UTC
  ManualClock clock(WallTime(std::chrono::seconds(1194853481)));
  DiagnosticLog log(clock);
  log.line(u"before open");  // nothing: the log is off
  ASSERT_TRUE(log.open(directory / "p42r_softup.log"));
  log.line(u"Start");
  log.raw(u"COM4\r\n");
  clock.advance(std::chrono::seconds(2));
  log.stamped(u"Write::ATE0\r\n");
  log.close();
  ASSERT_TRUE(log.open(directory / "p42r_softup.log"));  // appends
  log.line(u"again");
  log.close();
  std::ifstream file(directory / "p42r_softup.log", std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(content,
            "(2007/11/12 07:44:41)Start\r\nCOM4\r\n(2007/11/12 07:44:43)Write::ATE0\r\n(2007/11/12 07:44:43)again\r\n");

  // A link or a FIFO planted at the log's place is never written through.
  std::ofstream(directory / "victim") << "theirs";
  fs::create_symlink(directory / "victim", directory / "linked.log");
  ASSERT_EQ(::mkfifo((directory / "fifo.log").c_str(), 0600), 0);
  EXPECT_FALSE(log.open(directory / "linked.log"));
  EXPECT_FALSE(log.open(directory / "fifo.log"));
  log.line(u"nowhere");
  std::ifstream victim(directory / "victim");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(victim), {}), "theirs");
}

TEST(DefaultDeviceRoot, FollowsTheDataHome) {
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string keep = saved ? saved : "";
  const char* savedHome = std::getenv("HOME");
  const std::string keepHome = savedHome ? savedHome : "";
  ::setenv("XDG_DATA_HOME", "/srv/data", 1);
  EXPECT_EQ(DefaultDeviceRoot(), fs::path("/srv/data/p42r/device"));
  ::setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored
  ::setenv("HOME", "/home/u", 1);
  EXPECT_EQ(DefaultDeviceRoot(), fs::path("/home/u/.local/share/p42r/device"));
  ::unsetenv("XDG_DATA_HOME");
  for (const char* unusable : {"", "relative/home"}) {
    ::setenv("HOME", unusable, 1);
    EXPECT_EQ(DefaultDeviceRoot(), std::nullopt) << "HOME=" << unusable;
  }
  ::unsetenv("HOME");
  EXPECT_EQ(DefaultDeviceRoot(), std::nullopt);
  if (saved) ::setenv("XDG_DATA_HOME", keep.c_str(), 1); else ::unsetenv("XDG_DATA_HOME");
  if (savedHome) ::setenv("HOME", keepHome.c_str(), 1); else ::unsetenv("HOME");
}

}  // namespace
}  // namespace p42r::platform
