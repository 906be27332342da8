// The port given with --port is looked at before the program starts: a
// port it could never use is reported on standard error with what to do,
// and the program ends with that problem's exit code before any screen.
#include "program/HostPortCheck.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <tuple>
#include <nlohmann/json.hpp>

#include "platform/Clock.h"
#include "platform/ModemManager.h"
#include "program/ModemManagerHold.h"
#include "program/PortList.h"
#include "program/ProgramOptions.h"
#include "testing/ProgramProcess.h"
#include "testing/TempDirectory.h"

namespace p42r::program {
namespace {

using testing::ProgramProcess;

// A pty whose port end the test can claim as another program would.
struct Pty {
  Pty() {
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[256];
    if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0 &&
        ::ptsname_r(master, name, sizeof name) == 0) {
      slavePath = name;
    }
  }
  ~Pty() {
    if (claimed >= 0) ::close(claimed);
    if (master >= 0) ::close(master);
  }
  // Opens the port end and locks it, as a terminal program does.
  bool Claim() {
    claimed = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    return claimed >= 0 && ::flock(claimed, LOCK_EX | LOCK_NB) == 0;
  }
  int master = -1;
  int claimed = -1;
  std::string slavePath;
};

TEST(HostPortCheck, EachPortThatCannotBeUsedIsNamedWithItsProblem) {
  testing::TempDirectory directory;
  const auto missing = directory.path() / "ttyUSB9";
  auto verdict = CheckHostPort(missing.string());
  ASSERT_TRUE(verdict);
  EXPECT_EQ(verdict->kind, HostPortProblem::Missing);
  EXPECT_NE(verdict->message.find(missing.string()), std::string::npos) << verdict->message;
  EXPECT_NE(verdict->message.find("plugged in"), std::string::npos) << verdict->message;

  // A stable name left behind by an adapter that is gone.
  const auto dangling = directory.path() / "usb-Halvorn_P42R_0001-if02-port0";
  std::filesystem::create_symlink(missing, dangling);
  verdict = CheckHostPort(dangling.string());
  ASSERT_TRUE(verdict);
  EXPECT_EQ(verdict->kind, HostPortProblem::Missing);
  EXPECT_NE(verdict->message.find("leads to a device that is not there"), std::string::npos) << verdict->message;

  const auto plainFile = directory.path() / "notes.txt";
  std::ofstream(plainFile) << "not a port";
  verdict = CheckHostPort(plainFile.string());
  ASSERT_TRUE(verdict);
  EXPECT_EQ(verdict->kind, HostPortProblem::NotSerial);

  verdict = CheckHostPort("/dev/null");  // a character device, but no tty
  ASSERT_TRUE(verdict);
  EXPECT_EQ(verdict->kind, HostPortProblem::NotSerial);

  Pty pty;
  ASSERT_FALSE(pty.slavePath.empty());
  EXPECT_EQ(CheckHostPort(pty.slavePath), std::nullopt) << "a free port is fine";
  const auto link = directory.path() / "usb-Halvorn_P42R_0002-if02-port0";
  std::filesystem::create_symlink(pty.slavePath, link);
  EXPECT_EQ(CheckHostPort(link.string()), std::nullopt) << "so is a stable name leading to it";
  ASSERT_TRUE(pty.Claim());
  verdict = CheckHostPort(link.string());
  ASSERT_TRUE(verdict);
  EXPECT_EQ(verdict->kind, HostPortProblem::Busy);
  EXPECT_NE(verdict->message.find("in use by another program"), std::string::npos) << verdict->message;
}

// `p42r ports` names who holds a port by looking, never by opening it.
TEST(PortList, AHolderIsFoundThroughItsOpenDescriptorAndAnUnopenedPortHasNone) {
  Pty held, unheld;
  ASSERT_TRUE(held.Claim());
  const auto holders = HoldersOf(held.slavePath);
  ASSERT_EQ(holders.size(), 1u);
  EXPECT_EQ(holders.front().pid, ::getpid());
  std::ifstream comm("/proc/self/comm");
  std::string name;
  std::getline(comm, name);
  EXPECT_EQ(holders.front().command, name);
  EXPECT_TRUE(HoldersOf(unheld.slavePath).empty());
  testing::TempDirectory noProc;
  EXPECT_TRUE(HoldersOf(held.slavePath, noProc.path() / "missing").empty());
}

// Where the device manager cannot be asked (a container without udev), `p42r
// ports` says so and fails; with --json as the one result line a script reads.
TEST(PortList, WithoutTheDeviceManagerPortsSaysSoAndFails) {
  const UdevConnect unreachable = []() -> udev* { return nullptr; };
  EXPECT_EQ(ListSerialPorts(unreachable), std::nullopt);
  for (const bool json : {false, true}) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(RunPortsCommand(json, unreachable), kExitStartFailed);
    const std::string output = ::testing::internal::GetCapturedStdout();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    const std::string said = json ? output : errors;
    EXPECT_NE(said.find("cannot ask the device manager (udev)"), std::string::npos) << said;
    if (!json) continue;
    const auto result = nlohmann::json::parse(output, nullptr, false);
    ASSERT_TRUE(result.is_object()) << "one JSON result line: " << output;
    EXPECT_EQ(result.value("result", ""), "failed") << output;
    EXPECT_EQ(result.value("exitCode", 0), kExitStartFailed) << output;
  }
}

TEST(HostPortCheck, OpenFailuresSayWhatToDo) {
  EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB0", EBUSY).kind, HostPortProblem::Busy);
  EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB0", ENXIO).kind, HostPortProblem::Missing);
  EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB0", EINVAL).kind, HostPortProblem::Unusable);
  EXPECT_EQ(ExitCodeFor(HostPortProblem::Missing), 5);
  EXPECT_EQ(ExitCodeFor(HostPortProblem::NotSerial), 5);
  EXPECT_EQ(ExitCodeFor(HostPortProblem::Unusable), 5);
  EXPECT_EQ(ExitCodeFor(HostPortProblem::Busy), 6);
  EXPECT_EQ(ExitCodeFor(HostPortProblem::NoPermission), 7);

  // Serial adapters belong to group "dialout" on Debian; the advice names
  // the device's group, so that joining it lets the user in.
  testing::TempDirectory directory;
  const auto device = directory.path() / "ttyUSB0";
  std::ofstream(device) << "";
  if (::getegid() == 0) {  // a new file takes its creator's group
    const auto message = DescribeOpenFailure(device.string(), EACCES).message;
    EXPECT_NE(message.find("belongs to group 'root'"), std::string::npos) << message;
  }
  // Another group than dialout is never advised: kmem would open memory, not a port.
  const group* kmem = ::getgrnam("kmem");
  if (kmem != nullptr && ::chown(device.c_str(), static_cast<uid_t>(-1), kmem->gr_gid) == 0) {
    const auto message = DescribeOpenFailure(device.string(), EACCES).message;
    EXPECT_EQ(message.find("usermod"), std::string::npos) << message;
    EXPECT_NE(message.find("group 'kmem'"), std::string::npos) << message;
  }
  const group* dialout = ::getgrnam("dialout");
  if (dialout == nullptr || ::chown(device.c_str(), static_cast<uid_t>(-1), dialout->gr_gid) != 0) {
    GTEST_SKIP() << "cannot give a file to group dialout here";
  }
  const auto denied = DescribeOpenFailure(device.string(), EACCES);
  EXPECT_EQ(denied.kind, HostPortProblem::NoPermission);
  EXPECT_NE(denied.message.find("no permission to open " + device.string()), std::string::npos) << denied.message;
  EXPECT_NE(denied.message.find("usermod -aG dialout"), std::string::npos) << denied.message;
}

TEST(HostPortCheck, ALiveProcessHoldingThePortsLockFileMakesItBusyAndAStaleLockDoesNot) {
  Pty pty;
  ASSERT_FALSE(pty.slavePath.empty());
  testing::TempDirectory lockDirectory;
  const auto lockFile = lockDirectory.path() / ("LCK.." + std::filesystem::path(pty.slavePath).filename().string());
  const auto lockBy = [&](pid_t process) {
    char content[16];
    std::snprintf(content, sizeof content, "%10d\n", static_cast<int>(process));
    std::ofstream(lockFile) << content;
  };

  lockBy(::getppid());  // alive, and not this process
  auto verdict = CheckHostPort(pty.slavePath, {lockDirectory.path()});
  ASSERT_TRUE(verdict);
  EXPECT_EQ(verdict->kind, HostPortProblem::Busy);
  EXPECT_NE(verdict->message.find("process " + std::to_string(::getppid())), std::string::npos) << verdict->message;
  EXPECT_NE(verdict->message.find(lockFile.string()), std::string::npos) << verdict->message;

  // Left behind by a process that has ended.
  const pid_t ended = ::fork();
  if (ended == 0) ::_exit(0);
  ASSERT_GT(ended, 0);
  ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
  lockBy(ended);
  EXPECT_EQ(CheckHostPort(pty.slavePath, {lockDirectory.path()}), std::nullopt);

  // The program's own lock is no other program's.
  lockBy(::getpid());
  EXPECT_EQ(CheckHostPort(pty.slavePath, {lockDirectory.path()}), std::nullopt);
}

// ModemManager as the hold sees it: whether it runs, how many questions
// its probe of the port lasts (it holds the port open meanwhile), whether
// the probe makes a modem of it and whether it polls that modem (holding
// the port) until inhibited, its answer to an inhibition. Every inhibition
// asked is written to `asked`.
struct FakeModemManager final : platform::ModemManager {
  bool runs = true;
  int probing = 0;
  bool modem = true, polling = false;
  std::string refusal, lookupError;
  std::shared_ptr<std::string> asked = std::make_shared<std::string>();
  bool holdsPort() const { return probing > 0 || (modem && polling && asked->find("inhibit") == std::string::npos); }
  Answer<bool> running() override { return {runs, {}}; }
  Answer<std::string> modemDevice(const std::string& port) override {
    if (!lookupError.empty()) return {std::nullopt, lookupError};
    if (probing > 0) {
      --probing;
      return {std::string(), {}};
    }
    return {modem && port == "ttyUSB0" ? "/sys/devices/usb1/1-1" : "", {}};
  }
  std::string inhibit(const std::string& uid) override {
    *asked += "inhibit " + uid + ";";
    return refusal;
  }
  std::string release(const std::string& uid) override {
    *asked += "release " + uid + ";";
    return {};
  }
};

TEST(ModemManagerHold, TheCardsDeviceIsInhibitedForTheRunOrTheRunEndsNamingModemManager) {
  const std::string inhibited = "inhibit /sys/devices/usb1/1-1;";
  const struct Case {
    const char* name;
    bool present, runs;
    int probing;
    bool modem, polling;
    const char* refusal;
    const char* lookupError;
    std::string asked;
    bool refused;
    int waitedAtLeastS, waitedAtMostS;
  } cases[] = {
      {"absent", false, false, 0, true, true, "", "", "", false, 0, 0},
      {"not running", true, false, 0, true, true, "", "", "", false, 0, 0},
      {"idle modem", true, true, 0, true, false, "", "", inhibited, false, 0, 0},
      {"polling modem", true, true, 0, true, true, "", "", inhibited, false, 0, 0},
      {"refuses", true, true, 0, true, false, "not authorized", "", inhibited, true, 0, 0},
      {"cannot say which modem", true, true, 0, true, false, "", "timed out", "", true, 0, 0},
      {"probe ends in a modem", true, true, 10, true, false, "", "", inhibited, false, 1, 3},
      {"probe ends without one", true, true, 10, false, false, "", "", "", false, 1, 3},
      {"probe never ends", true, true, 1000000, true, false, "", "", "", true, 30, 31},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto owned = std::make_unique<FakeModemManager>();
    FakeModemManager& fake = *owned;
    std::tie(fake.runs, fake.probing, fake.modem, fake.polling, fake.refusal, fake.lookupError) =
        std::make_tuple(c.runs, c.probing, c.modem, c.polling, c.refusal, c.lookupError);
    const auto asked = fake.asked;
    platform::ManualClock clock;
    const auto started = clock.now();
    std::optional<HostPortVerdict> verdict;
    {
      ModemManagerHold hold(c.present ? std::move(owned) : nullptr, "no module", [&] { return fake.holdsPort(); },
                            [](const std::string&) {});
      verdict = hold.keepOff("/dev/ttyUSB0", "ttyUSB0", clock);
      EXPECT_EQ(*asked, c.asked);
    }
    const auto waited = std::chrono::duration_cast<std::chrono::seconds>(clock.now() - started).count();
    EXPECT_GE(waited, c.waitedAtLeastS);
    EXPECT_LE(waited, c.waitedAtMostS);
    EXPECT_EQ(verdict.has_value(), c.refused);
    if (verdict) {
      EXPECT_EQ(ExitCodeFor(verdict->kind), kExitPortBusy);
      EXPECT_NE(verdict->message.find("ModemManager manages /dev/ttyUSB0"), std::string::npos) << verdict->message;
      EXPECT_NE(verdict->message.find("80-p42r-modemmanager.rules"), std::string::npos) << verdict->message;
    }
    // The device is given back when the hold goes, and only an inhibited one.
    const bool given = !c.asked.empty() && !c.refused;
    EXPECT_EQ(*asked, given ? c.asked + "release /sys/devices/usb1/1-1;" : c.asked);
  }
}

TEST(ModemManagerHold, PortsMarksOnlyThePortsOfRunningModemManagersModems) {
  std::vector<SerialPortInfo> ports(2);
  ports[0].device = "/dev/ttyUSB0";
  ports[1].device = "/dev/ttyUSB1";
  FakeModemManager manager;
  MarkModemManagerPorts(ports, &manager);
  EXPECT_TRUE(ports[0].modemManager);
  EXPECT_FALSE(ports[1].modemManager);
  manager.runs = false;
  ports[0].modemManager = false;
  MarkModemManagerPorts(ports, &manager);
  EXPECT_FALSE(ports[0].modemManager);
  MarkModemManagerPorts(ports, nullptr);
  EXPECT_FALSE(ports[0].modemManager);
}

// p42r itself, with a port it cannot use: a message, the exit code, no screen.
struct UnusablePort : ::testing::Test {
  testing::TempDirectory root;

  void ExpectRefused(const std::string& port, int code, const std::string& words) {
    ProgramProcess program(P42R_PROGRAM, {"--ui=script", "--device-root", root.path().string(), "--port", port});
    EXPECT_EQ(program.wait(), code);
    const std::string error = program.standardError();
    EXPECT_NE(error.find("p42r: "), std::string::npos) << error;
    EXPECT_NE(error.find(words), std::string::npos) << error;
    EXPECT_EQ(program.next(std::chrono::milliseconds(0)), std::nullopt) << "something was shown";
    // The registry is left as it was: no driver entry for a port never used.
    std::ifstream registry(root.path() / "registry.reg");
    const std::string content((std::istreambuf_iterator<char>(registry)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content.find(port), std::string::npos) << content;
  }
};

TEST_F(UnusablePort, AMissingPortEndsTheProgramBeforeAnyScreen) {
  ExpectRefused((root.path() / "ttyUSB7").string(), kExitPortMissing, "no such device");
}

TEST_F(UnusablePort, APortBusyInAnotherProgramEndsTheProgramBeforeAnyScreen) {
  Pty pty;
  ASSERT_TRUE(pty.Claim());
  ExpectRefused(pty.slavePath, kExitPortBusy, "in use by another program");
}

TEST_F(UnusablePort, APortAnotherProcessHoldsOpenWithoutALockEndsTheProgramNamingIt) {
  Pty pty;
  const pid_t holder = ::fork();
  if (holder == 0) {
    // Only the port end: a process holding the master too would be its far end.
    ::close(pty.master);
    const int fd = ::open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY);
    if (fd >= 0) ::pause();
    ::_exit(1);
  }
  ASSERT_GT(holder, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (HoldersOf(pty.slavePath).empty() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ExpectRefused(pty.slavePath, kExitPortBusy, "(process " + std::to_string(holder) + ") holds it open");
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
}

}  // namespace
}  // namespace p42r::program
