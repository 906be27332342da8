// The device watcher over real ptys and real symbolic links: the serial
// calls open "COM4:" on a pty slave (directly or through a link standing for
// /dev/serial/by-id/...), the test pulls the device away and waits, with a
// deadline, for the one removal notice.
#include "platform/HostDeviceWatcher.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/PosixSerialApi.h"

namespace p42r::platform {
namespace {

using namespace std::chrono_literals;

constexpr auto kDeadline = 5s;

// The card's side of a pty pair; closing it is the device going away.
class PtyPair {
 public:
  PtyPair() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[256];
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0 &&
        ::ptsname_r(master_, name, sizeof name) == 0) {
      slavePath_ = name;
    }
  }
  ~PtyPair() { HangUp(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  bool ok() const { return !slavePath_.empty(); }
  const std::string& slavePath() const { return slavePath_; }
  void HangUp() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string slavePath_;
};

// A directory of the test's own, standing for /dev/serial/by-id.
class LinkDirectory {
 public:
  LinkDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "p42r-by-id-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~LinkDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::size_t ThreadCount() {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    (void)entry;
    ++count;
  }
  return count;
}

// The notices told, in order, with a wait on the next one.
class Notices {
 public:
  HostDeviceWatcher::Removed callback() {
    return [this](const std::u16string& name) {
      std::lock_guard lock(mutex_);
      names_.push_back(name);
      changed_.notify_all();
    };
  }
  // Waits until `count` notices were told; false at the deadline.
  bool AwaitCount(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kDeadline, [&] { return names_.size() >= count; });
  }
  std::vector<std::u16string> names() const {
    std::lock_guard lock(mutex_);
    return names_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::u16string> names_;
};

struct DeviceWatcherFixture : ::testing::Test {
  std::optional<std::string> hostDevice;  // where "COM4:" leads
  PosixSerialApi serial{[this](std::u16string_view name) -> std::optional<std::string> {
    if (name == u"COM4:") return hostDevice;
    return std::nullopt;
  }};
  Notices notices;
  HostDeviceWatcher watcher{notices.callback()};

  DeviceWatcherFixture() { serial.setPortWatch(&watcher); }
  ~DeviceWatcherFixture() override { watcher.stop(); }

  PortHandle Open(const std::string& device) {
    hostDevice = device;
    return serial.CreateFile(u"COM4:");
  }
};

TEST_F(DeviceWatcherFixture, APtyHungUpUnderAnOpenPortIsToldOnceEvenWhenTheDeviceAlsoReportsItself) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const PortHandle port = Open(pty.slavePath());
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  EXPECT_TRUE(watcher.watching(u"COM4:"));
  EXPECT_TRUE(notices.names().empty()) << "nothing is told while the device is there";

  pty.HangUp();
  ASSERT_TRUE(notices.AwaitCount(1)) << "no notice for the hang-up";
  // The device that reports its own removal is not told twice either.
  watcher.removedElsewhere(u"COM4:");
  serial.CloseHandle(port);
  watcher.stop();
  EXPECT_EQ(notices.names(), std::vector<std::u16string>{u"COM4:"});
  EXPECT_FALSE(watcher.watching(u"COM4:"));
}

TEST_F(DeviceWatcherFixture, TheWatchDoesNotKeepTheDeviceFromTheNextExclusiveOpen) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const PortHandle first = Open(pty.slavePath());
  ASSERT_NE(first, INVALID_PORT_HANDLE);
  ASSERT_TRUE(serial.CloseHandle(first));
  // The watcher's duplicate of the first descriptor would hold the lock of
  // the first opening and refuse this one.
  const PortHandle second = serial.CreateFile(u"COM4:");
  EXPECT_NE(second, INVALID_PORT_HANDLE) << "the port could not be opened again after its close";
  if (second != INVALID_PORT_HANDLE) serial.CloseHandle(second);
  // Nor does it hold the tty open once the port is closed: the card's side
  // sees nobody on the line.
  const int other = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(other, 0);
  EXPECT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0) << "someone still holds the port's lock";
  ::close(other);
  EXPECT_TRUE(notices.names().empty());
}

TEST_F(DeviceWatcherFixture, AStableNameThatVanishesIsToldWhetherThePortIsOpenOrNot) {
  for (const bool keepOpen : {true, false}) {
    SCOPED_TRACE(keepOpen ? "port open" : "port closed");
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    LinkDirectory byId;
    const auto link = byId.path() / "usb-Halvorn_P42R_0001-if02-port0";
    std::filesystem::create_symlink(pty.slavePath(), link);
    const std::size_t before = notices.names().size();

    const PortHandle port = Open(link.string());
    ASSERT_NE(port, INVALID_PORT_HANDLE);
    if (!keepOpen) serial.CloseHandle(port);
    std::filesystem::remove(link);
    ASSERT_TRUE(notices.AwaitCount(before + 1)) << "no notice for the vanished link";
    EXPECT_EQ(notices.names().back(), u"COM4:");
    if (keepOpen) serial.CloseHandle(port);
  }
}

TEST_F(DeviceWatcherFixture, ALinkThatNowLeadsToAnotherDeviceIsARemoval) {
  PtyPair pty;
  PtyPair other;
  ASSERT_TRUE(pty.ok() && other.ok());
  LinkDirectory byId;
  const auto link = byId.path() / "usb-Halvorn_P42R_0001-if02-port0";
  std::filesystem::create_symlink(pty.slavePath(), link);
  const PortHandle port = Open(link.string());
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  // Put in place the way udev does: a new link renamed over the old one.
  const auto replacement = byId.path() / "replacement";
  std::filesystem::create_symlink(other.slavePath(), replacement);
  std::filesystem::rename(replacement, link);
  ASSERT_TRUE(notices.AwaitCount(1)) << "the name leads to another device and nobody was told";
  serial.CloseHandle(port);
}

TEST_F(DeviceWatcherFixture, ADeviceGoneWhileThePortIsClosedIsToldAndAReopenedPortIsWatchedAfresh) {
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const PortHandle port = Open(pty.slavePath());
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  ASSERT_TRUE(serial.CloseHandle(port));
  pty.HangUp();  // the pty's node goes with its master
  ASSERT_TRUE(notices.AwaitCount(1)) << "the closed port's device went unnoticed";

  // Plugged in again: the next opening is a new device, watched anew.
  PtyPair again;
  ASSERT_TRUE(again.ok());
  const PortHandle reopened = Open(again.slavePath());
  ASSERT_NE(reopened, INVALID_PORT_HANDLE);
  EXPECT_TRUE(watcher.watching(u"COM4:"));
  again.HangUp();
  ASSERT_TRUE(notices.AwaitCount(2)) << "the second removal went unnoticed";
  serial.CloseHandle(reopened);
  EXPECT_EQ(notices.names(), (std::vector<std::u16string>{u"COM4:", u"COM4:"}));
}

TEST(DeviceWatcher, ItsThreadEndsWithItAndNothingIsToldAfterwards) {
  // A sanitizer starts a helper thread of its own with the first thread
  // created; that one is counted before the watcher's is.
  std::thread([] {}).join();
  const std::size_t threadsBefore = ThreadCount();
  PtyPair pty;
  ASSERT_TRUE(pty.ok());
  const int port = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(port, 0);
  Notices notices;
  {
    HostDeviceWatcher watcher(notices.callback());
    EXPECT_EQ(ThreadCount(), threadsBefore + 1);
    watcher.portOpened(u"COM4:", pty.slavePath(), port);
    watcher.stop();
    watcher.removedElsewhere(u"COM4:");
    EXPECT_FALSE(watcher.watching(u"COM4:"));
    // Closing after the end neither waits nor fails.
    watcher.portClosed(u"COM4:");
  }
  pty.HangUp();
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_TRUE(notices.names().empty());
  ::close(port);
}

}  // namespace
}  // namespace p42r::platform
