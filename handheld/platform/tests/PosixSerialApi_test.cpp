// The serial calls over a real tty: each test opens a pty pair, the port
// "COM4:" resolves to its slave, and the test plays the card on the master.
#include "platform/PosixSerialApi.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/LastError.h"
#include "testing/FaultySerialApi.h"

namespace p42r::platform {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr std::uint32_t ERROR_SHARING_VIOLATION = 32;
constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::uint8_t EVENPARITY = 2;
constexpr std::uint8_t TWOSTOPBITS = 2;

// How long anything that should happen at once may take before the test fails.
constexpr auto kDeadline = 5s;

// The bytes a line discipline would change or swallow when the port is not
// raw: CR and LF translation, interrupt, end of file, flow control, erase,
// the high bit, and NULs.
const std::string kAwkwardBytes{'A', 'T', '\r', '\n', '\x03', '\0', '\x04', '\x11', '\x13',
                                '\x1a', '\x7f', '\xff', '\r', '\r', '\n', '\n', '\0', 'Z'};

// The card's side of the pty pair.
class PtyDevice {
 public:
  PtyDevice() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return;
    char name[256];
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 || ::ptsname_r(master_, name, sizeof name) != 0 ||
        ::fcntl(master_, F_SETFL, O_NONBLOCK) != 0) {
      HangUp();
      return;
    }
    slavePath_ = name;
  }
  ~PtyDevice() { HangUp(); }
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  bool ok() const { return master_ >= 0; }
  const std::string& slavePath() const { return slavePath_; }
  int master() const { return master_; }  // its line settings are the port's

  // Closing the master is the device going away under the port.
  void HangUp() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  bool Send(std::string_view bytes) {
    const auto deadline = Clock::now() + kDeadline;
    while (!bytes.empty()) {
      const ssize_t sent = ::write(master_, bytes.data(), bytes.size());
      if (sent > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else if (sent < 0 && errno != EAGAIN && errno != EINTR) {
        return false;
      } else if (!AwaitReady(POLLOUT, deadline)) {
        return false;
      }
    }
    return true;
  }

  // What the port sent, up to `count` bytes; less if no more came by the deadline.
  std::string Receive(std::size_t count) {
    std::string got;
    const auto deadline = Clock::now() + kDeadline;
    while (got.size() < count) {
      char chunk[4096];
      const ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - got.size()));
      if (n > 0) {
        got.append(chunk, static_cast<std::size_t>(n));
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        break;
      } else if (!AwaitReady(POLLIN, deadline)) {
        break;
      }
    }
    return got;
  }

  // Bytes the port sent that the card has not taken yet.
  int Pending() const {
    int count = -1;
    ::ioctl(master_, FIONREAD, &count);
    return count;
  }

 private:
  bool AwaitReady(short events, Clock::time_point deadline) const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{master_, events, 0};
    return ::poll(&fd, 1, static_cast<int>(left.count())) >= 0;
  }

  int master_ = -1;
  std::string slavePath_;
};

// Whether another opener of the device is shut out. An unprivileged one is
// refused with EBUSY; root passes that check, so then ask the tty itself.
bool OthersShutOut(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == EBUSY;
  int exclusive = 0;
  const bool known = ::ioctl(fd, TIOCGEXCL, &exclusive) == 0;
  ::close(fd);
  return known && exclusive != 0;
}

// Whether thread `tid` of this process sleeps in poll right now.
bool SleepsInPoll(pid_t tid) {
  std::ifstream file("/proc/self/task/" + std::to_string(tid) + "/syscall");
  long number = -1;
  if (!(file >> number)) return false;  // "running", or the thread is gone
#ifdef SYS_poll
  if (number == SYS_poll) return true;
#endif
  return number == SYS_ppoll;
}

// A WaitCommEvent on its own thread. Should it never return, the destructor
// hangs the device up, which ends any wait, so a broken wake-up fails the
// test instead of hanging it.
class BackgroundWait {
 public:
  struct Outcome {
    bool ok = false;
    std::uint32_t events = 0xFFFF'FFFF;
    std::uint32_t error = ERROR_SUCCESS;
  };

  BackgroundWait(PosixSerialApi& api, PortHandle port, PtyDevice& device) : device_(device) {
    std::promise<pid_t> threadId;
    auto started = threadId.get_future();
    outcome_ = std::async(std::launch::async, [&api, port, tid = std::move(threadId)]() mutable {
      tid.set_value(static_cast<pid_t>(::syscall(SYS_gettid)));
      Outcome outcome;
      outcome.ok = api.WaitCommEvent(port, outcome.events);
      outcome.error = GetLastError();
      return outcome;
    });
    tid_ = started.get();
  }
  ~BackgroundWait() {
    if (outcome_.valid() && outcome_.wait_for(0s) != std::future_status::ready) device_.HangUp();
  }
  BackgroundWait(const BackgroundWait&) = delete;
  BackgroundWait& operator=(const BackgroundWait&) = delete;

  // True once the wait sleeps in its poll, so that what the test does next
  // is a wake-up and not something the wait sees before it begins.
  bool Blocked() const {
    const auto deadline = Clock::now() + kDeadline;
    while (Clock::now() < deadline) {
      if (outcome_.wait_for(0s) == std::future_status::ready) return false;
      if (SleepsInPoll(tid_)) return true;
      std::this_thread::yield();
    }
    return false;
  }

  // How the wait ended, or nothing if it is still waiting after the deadline.
  std::optional<Outcome> Finish() {
    if (outcome_.wait_for(kDeadline) != std::future_status::ready) return std::nullopt;
    return outcome_.get();
  }

 private:
  PtyDevice& device_;
  std::future<Outcome> outcome_;
  pid_t tid_ = 0;
};

struct PosixSerialFixture : ::testing::Test {
  PtyDevice device;
  PosixSerialApi api{[this](std::u16string_view name) -> std::optional<std::string> {
    if (name == u"COM4:") return device.slavePath();
    if (name == u"COM9:") return std::string("/dev/p42r-no-such-device");
    if (name == u"COM8:") return std::string("/dev/null");  // a device, but no serial line
    return std::nullopt;
  }};

  void SetUp() override { ASSERT_TRUE(device.ok()) << "no pty pair: " << std::strerror(errno); }

  // Opens COM4: the way the serial channel does: timeouts, then a
  // read-modify-write of the line settings.
  PortHandle OpenLikeTheChannel() {
    const PortHandle port = api.CreateFile(u"COM4:");
    if (port == INVALID_PORT_HANDLE) return port;
    Dcb dcb;
    const CommTimeouts timeouts{10, 0, 10, 100, 10};
    if (!api.SetCommTimeouts(port, timeouts) || !api.GetCommState(port, dcb)) return INVALID_PORT_HANDLE;
    dcb.baudRate = 115200;
    dcb.byteSize = 8;
    dcb.parity = NOPARITY;
    dcb.stopBits = ONESTOPBIT;
    return api.SetCommState(port, dcb) ? port : INVALID_PORT_HANDLE;
  }

  // Waits until the port's receive queue holds `count` bytes; the card's
  // bytes reach the slave's queue a little after the master took them.
  std::uint32_t AwaitWaiting(PortHandle port, std::uint32_t count) {
    std::uint32_t waiting = 0;
    const auto deadline = Clock::now() + kDeadline;
    while (api.ClearCommError(port, waiting) && waiting < count && Clock::now() < deadline) std::this_thread::yield();
    return waiting;
  }

  std::string Read(PortHandle port, std::uint32_t count) {
    std::string bytes(count, '\x55');
    std::uint32_t read = 0;
    if (!api.ReadFile(port, bytes.data(), count, read)) return "<ReadFile failed>";
    bytes.resize(read);
    return bytes;
  }

  bool Write(PortHandle port, std::string_view bytes, std::uint32_t& written, EventHandle completion = 0) {
    return api.WriteFile(port, bytes.data(), static_cast<std::uint32_t>(bytes.size()), written, completion);
  }
};

// --- Opening and closing ------------------------------------------------------

TEST_F(PosixSerialFixture, APortThatCannotBeFoundIsNotOpened) {
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(api.CreateFile(u"COM7:"), INVALID_PORT_HANDLE) << "a name no driver entry knows";
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(api.CreateFile(u"COM9:"), INVALID_PORT_HANDLE) << "a driver entry whose device is missing";
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(api.CreateFile(u"COM8:"), INVALID_PORT_HANDLE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND) << "what is no serial device is no card's port";

  // None of these failures took the real port.
  EXPECT_NE(api.CreateFile(u"COM4:"), INVALID_PORT_HANDLE);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
}

TEST_F(PosixSerialFixture, TheProgramsOwnTerminalIsNoCard) {
  // In a session of its own, the pty becomes the child's controlling
  // terminal, as a shell's is; the entry naming it then names no card.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setsid() < 0) ::_exit(3);
    const int terminal = ::open(device.slavePath().c_str(), O_RDWR);
    if (terminal < 0 || ::tcgetsid(terminal) != ::getsid(0)) ::_exit(4);
    const bool refused = api.CreateFile(u"COM4:") == INVALID_PORT_HANDLE && GetLastError() == ERROR_FILE_NOT_FOUND;
    ::_exit(refused ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the own terminal was opened as the card's port; 3, 4: no session";
}

TEST_F(PosixSerialFixture, AnOpenPortIsExclusiveUntilItsHandleIsClosed) {
  const PortHandle first = api.CreateFile(u"COM4:");
  ASSERT_NE(first, INVALID_PORT_HANDLE);
  EXPECT_TRUE(OthersShutOut(device.slavePath())) << "another program could open the device too";

  EXPECT_EQ(api.CreateFile(u"COM4:"), INVALID_PORT_HANDLE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  PosixSerialApi otherInstance([this](std::u16string_view) { return std::optional(device.slavePath()); });
  EXPECT_EQ(otherInstance.CreateFile(u"COM4:"), INVALID_PORT_HANDLE) << "a second program's open";
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);

  ASSERT_TRUE(api.CloseHandle(first));
  EXPECT_FALSE(OthersShutOut(device.slavePath())) << "the closed port still refuses other openers";

  // The closed handle is dead; the port opens again under a new one.
  Dcb dcb;
  EXPECT_FALSE(api.GetCommState(first, dcb));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(api.CloseHandle(first));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  const PortHandle second = api.CreateFile(u"COM4:");
  ASSERT_NE(second, INVALID_PORT_HANDLE);
  EXPECT_NE(second, first);
  EXPECT_TRUE(api.GetCommState(second, dcb));
}

// --- Line settings and raw bytes --------------------------------------------

TEST_F(PosixSerialFixture, TheLineIsRawWhileOpenAndAsItWasAgainOnceClosed) {
  // As stty may leave it: flow control of both kinds, hang-up on close, editing and echo.
  termios before{};
  ASSERT_EQ(::tcgetattr(device.master(), &before), 0);
  before.c_cflag |= CRTSCTS | HUPCL;
  before.c_iflag |= IXON | IXOFF;
  before.c_lflag |= ICANON | ECHO;
  ASSERT_EQ(::tcsetattr(device.master(), TCSANOW, &before), 0);
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  termios during{};
  ASSERT_EQ(::tcgetattr(device.master(), &during), 0);
  EXPECT_EQ(during.c_cflag & (CRTSCTS | HUPCL | CLOCAL), static_cast<tcflag_t>(CLOCAL));
  EXPECT_EQ(during.c_iflag & (IXON | IXOFF | IXANY), 0u);
  EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);
  ASSERT_TRUE(api.CloseHandle(port));
  termios after{};
  ASSERT_EQ(::tcgetattr(device.master(), &after), 0);
  EXPECT_EQ(after.c_cflag & (CRTSCTS | HUPCL), static_cast<tcflag_t>(CRTSCTS | HUPCL));
  EXPECT_EQ(after.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
  EXPECT_EQ(after.c_lflag & (ICANON | ECHO), static_cast<tcflag_t>(ICANON | ECHO));
}

TEST_F(PosixSerialFixture, LineSettingsReadBackAsWritten) {
  // A pty has no parity and always carries 8 data bits; speed, stop bits
  // and software flow control it keeps as set.
  const PortHandle port = api.CreateFile(u"COM4:");
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  struct Line {
    std::uint32_t baud;
    std::uint8_t stopBits;
    bool xonXoff;
  };
  for (const Line line : {Line{115200, ONESTOPBIT, false}, Line{9600, TWOSTOPBITS, true},
                          Line{57600, ONESTOPBIT, true}, Line{921600, TWOSTOPBITS, false}}) {
    SCOPED_TRACE(::testing::Message() << line.baud << " stop " << int{line.stopBits} << " xon/xoff " << line.xonXoff);
    Dcb dcb;
    ASSERT_TRUE(api.GetCommState(port, dcb));
    dcb.baudRate = line.baud;
    dcb.byteSize = 8;
    dcb.parity = NOPARITY;
    dcb.stopBits = line.stopBits;
    dcb.inX = dcb.outX = line.xonXoff;
    ASSERT_TRUE(api.SetCommState(port, dcb));
    Dcb back;
    back.baudRate = 0;
    back.byteSize = 0;
    back.parity = 0xFF;
    back.stopBits = 0xFF;
    back.inX = back.outX = !line.xonXoff;
    ASSERT_TRUE(api.GetCommState(port, back));
    EXPECT_EQ(back.baudRate, line.baud);
    EXPECT_EQ(back.byteSize, 8);
    EXPECT_EQ(back.parity, NOPARITY);
    EXPECT_EQ(back.stopBits, line.stopBits);
    EXPECT_EQ(back.inX, line.xonXoff);
    EXPECT_EQ(back.outX, line.xonXoff);
  }
}

TEST_F(PosixSerialFixture, SettingsTheLineCannotTakeAreRefusedAndChangeNothing) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  Dcb before;
  ASSERT_TRUE(api.GetCommState(port, before));

  Dcb oddBaud = before;
  oddBaud.baudRate = 12345;
  oddBaud.parity = EVENPARITY;
  EXPECT_FALSE(api.SetCommState(port, oddBaud));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  Dcb nineBits = before;
  nineBits.byteSize = 9;
  nineBits.baudRate = 9600;
  nineBits.stopBits = TWOSTOPBITS;
  EXPECT_FALSE(api.SetCommState(port, nineBits));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

  Dcb after;
  ASSERT_TRUE(api.GetCommState(port, after));
  EXPECT_EQ(after.baudRate, 115200u);
  EXPECT_EQ(after.byteSize, 8);
  EXPECT_EQ(after.parity, NOPARITY);
  EXPECT_EQ(after.stopBits, ONESTOPBIT);
}

TEST_F(PosixSerialFixture, BytesPassUnchangedBothWays) {
  // A fresh pty is a cooked terminal: CR becomes LF, ^C is eaten, LF goes
  // out as CR LF and everything is echoed, unless the open made it raw.
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  const auto size = static_cast<std::uint32_t>(kAwkwardBytes.size());

  ASSERT_TRUE(device.Send(kAwkwardBytes));
  EXPECT_EQ(AwaitWaiting(port, size), size);
  EXPECT_EQ(Read(port, size + 8), kAwkwardBytes);

  std::uint32_t written = 0;
  ASSERT_TRUE(Write(port, kAwkwardBytes, written));
  EXPECT_EQ(written, size);
  // An echo of what the card sent would arrive ahead of these.
  EXPECT_EQ(device.Receive(kAwkwardBytes.size()), kAwkwardBytes);
  EXPECT_EQ(device.Pending(), 0);
}

// --- Reading and writing --------------------------------------------------------

TEST_F(PosixSerialFixture, WhatTheCardSentIsCountedAndReadInOrder) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);

  std::uint32_t waiting = 99;
  ASSERT_TRUE(api.ClearCommError(port, waiting));
  EXPECT_EQ(waiting, 0u);
  EXPECT_EQ(Read(port, 16), "") << "an empty queue reads nothing, and is no error";

  ASSERT_TRUE(device.Send("\r\nOK\r\n"));
  ASSERT_TRUE(device.Send("\r\n+GMI: P42R\r\n"));
  EXPECT_EQ(AwaitWaiting(port, 20), 20u);

  // A short read takes the front and leaves the rest queued.
  EXPECT_EQ(Read(port, 6), "\r\nOK\r\n");
  ASSERT_TRUE(api.ClearCommError(port, waiting));
  EXPECT_EQ(waiting, 14u);
  EXPECT_EQ(Read(port, 100), "\r\n+GMI: P42R\r\n");
  ASSERT_TRUE(api.ClearCommError(port, waiting));
  EXPECT_EQ(waiting, 0u);
}

TEST_F(PosixSerialFixture, AReceivePurgeDropsWhatCameBefore) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  ASSERT_TRUE(device.Send("stale\r\n"));
  ASSERT_EQ(AwaitWaiting(port, 7), 7u);

  ASSERT_TRUE(api.PurgeComm(port, PURGE_RXCLEAR));
  std::uint32_t waiting = 99;
  ASSERT_TRUE(api.ClearCommError(port, waiting));
  EXPECT_EQ(waiting, 0u);
  ASSERT_TRUE(device.Send("OK\r\n"));
  EXPECT_EQ(AwaitWaiting(port, 4), 4u);
  EXPECT_EQ(Read(port, 100), "OK\r\n");
}

TEST_F(PosixSerialFixture, AWriteDeliversItsBytesIncludingTheNul) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  const EventHandle completion = api.CreateEvent();
  ASSERT_NE(completion, 0u);
  const std::string command("AT+GMI\r\n", 9);

  std::uint32_t written = 0;
  ASSERT_TRUE(Write(port, command, written, completion));
  EXPECT_EQ(written, 9u);
  EXPECT_EQ(device.Receive(9), command);
  EXPECT_EQ(device.Pending(), 0);
  api.CloseEvent(completion);
}

TEST_F(PosixSerialFixture, AWriteTheQueueCannotTakeGoesOnWhileTheCallerWaits) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  std::string bulk(1 << 20, '\0');
  for (std::size_t i = 0; i < bulk.size(); ++i) bulk[i] = static_cast<char>(i % 251);
  const EventHandle completion = api.CreateEvent();
  ASSERT_NE(completion, 0u);

  std::uint32_t written = 0;
  ASSERT_FALSE(Write(port, bulk, written, completion)) << "a pty cannot queue a megabyte";
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_LT(written, bulk.size());

  // Nobody drains the queue: the wait runs out.
  EXPECT_FALSE(api.WaitForSingleObject(completion, 20ms));

  // The card reads: the rest goes out, in order, and the event is signalled.
  auto received = std::async(std::launch::async, [this, &bulk] { return device.Receive(bulk.size()); });
  EXPECT_TRUE(api.WaitForSingleObject(completion, std::chrono::duration_cast<std::chrono::milliseconds>(kDeadline)));
  const std::string got = received.get();
  EXPECT_EQ(got.size(), bulk.size());
  EXPECT_TRUE(got == bulk) << "the bytes arrived altered or out of order";
  api.CloseEvent(completion);
}

// --- Waiting for port events ----------------------------------------------------

TEST_F(PosixSerialFixture, AWaitReportsArrivingCharacters) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  ASSERT_TRUE(api.SetCommMask(port, EV_RXCHAR));

  {
    BackgroundWait wait(api, port, device);
    ASSERT_TRUE(wait.Blocked());
    ASSERT_TRUE(device.Send("OK\r\n"));
    const auto outcome = wait.Finish();
    ASSERT_TRUE(outcome) << "the wait missed the arriving characters";
    EXPECT_TRUE(outcome->ok) << "last error " << outcome->error;
    EXPECT_EQ(outcome->events, EV_RXCHAR);
  }
  EXPECT_EQ(AwaitWaiting(port, 4), 4u);
  EXPECT_EQ(Read(port, 100), "OK\r\n");

  // Characters that came while nobody waited are reported by the next wait.
  ASSERT_TRUE(device.Send("ERROR\r\n"));
  ASSERT_EQ(AwaitWaiting(port, 7), 7u);
  BackgroundWait late(api, port, device);
  const auto outcome = late.Finish();
  ASSERT_TRUE(outcome) << "characters already queued did not end the wait";
  EXPECT_TRUE(outcome->ok);
  EXPECT_EQ(outcome->events, EV_RXCHAR);
}

TEST_F(PosixSerialFixture, ClearingTheMaskEndsABlockedWaitWithNoEvents) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  ASSERT_TRUE(api.SetCommMask(port, EV_RXCHAR));

  // Two waiters, as a stopped reader still on its way out and the next one:
  // each has its own wake-up, so neither takes the other's.
  BackgroundWait wait(api, port, device);
  BackgroundWait other(api, port, device);
  ASSERT_TRUE(wait.Blocked());
  ASSERT_TRUE(other.Blocked());
  ASSERT_TRUE(api.SetCommMask(port, 0));
  for (BackgroundWait* each : {&wait, &other}) {
    const auto outcome = each->Finish();
    ASSERT_TRUE(outcome) << "a wait did not return when the mask was cleared";
    EXPECT_TRUE(outcome->ok) << "last error " << outcome->error;
    EXPECT_EQ(outcome->events, 0u);
  }
}

TEST_F(PosixSerialFixture, AWaitWithTheMaskAlreadyClearFailsAtOnce) {
  // The reader can reach its wait just after the mask was cleared to stop
  // it; blocking then would keep it until something else touched the port.
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  ASSERT_TRUE(api.SetCommMask(port, EV_RXCHAR));
  ASSERT_TRUE(api.SetCommMask(port, 0));
  ASSERT_TRUE(device.Send("OK\r\n"));

  BackgroundWait wait(api, port, device);
  const auto outcome = wait.Finish();
  ASSERT_TRUE(outcome) << "the wait blocked with nothing to wait for";
  EXPECT_FALSE(outcome->ok);
  EXPECT_EQ(outcome->error, ERROR_INVALID_PARAMETER);
}

TEST_F(PosixSerialFixture, ClosingThePortEndsABlockedWait) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  ASSERT_TRUE(api.SetCommMask(port, EV_RXCHAR));

  BackgroundWait wait(api, port, device);
  ASSERT_TRUE(wait.Blocked());
  ASSERT_TRUE(api.CloseHandle(port));
  const auto outcome = wait.Finish();
  ASSERT_TRUE(outcome) << "the wait did not return when the port was closed";
  EXPECT_FALSE(outcome->ok);
  EXPECT_EQ(outcome->error, ERROR_INVALID_HANDLE);

  // The port really closed: it opens again.
  EXPECT_NE(api.CreateFile(u"COM4:"), INVALID_PORT_HANDLE);
}

// --- The device going away ------------------------------------------------------

TEST_F(PosixSerialFixture, AHungUpDeviceIsReportedNotAvailable) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  ASSERT_TRUE(api.SetCommMask(port, EV_RXCHAR));
  {
    BackgroundWait wait(api, port, device);
    ASSERT_TRUE(wait.Blocked());
    device.HangUp();
    const auto outcome = wait.Finish();
    ASSERT_TRUE(outcome) << "the wait did not return when the device hung up";
    EXPECT_FALSE(outcome->ok);
    EXPECT_EQ(outcome->error, ERROR_DEVICE_NOT_AVAILABLE);
  }

  std::uint32_t events = 0;
  EXPECT_FALSE(api.WaitCommEvent(port, events)) << "a new wait on the dead device";
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_AVAILABLE);

  char buffer[8];
  std::uint32_t read = 99;
  SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(api.ReadFile(port, buffer, sizeof buffer, read)) << "a read of the dead device passed as empty";
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_AVAILABLE);
  EXPECT_EQ(read, 0u);

  std::uint32_t waiting = 0;
  EXPECT_FALSE(api.ClearCommError(port, waiting));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_AVAILABLE);

  const EventHandle completion = api.CreateEvent();
  std::uint32_t written = 99;
  EXPECT_FALSE(Write(port, "AT\r\n", written, completion));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_AVAILABLE);
  EXPECT_EQ(written, 0u);
  api.CloseEvent(completion);

  // The caller can still close the port it lost.
  EXPECT_TRUE(api.CloseHandle(port));
}

TEST_F(PosixSerialFixture, APendingWriteEndsUnsignalledWhenTheDeviceHangsUp) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  const std::string bulk(1 << 20, 'x');
  const EventHandle completion = api.CreateEvent();
  std::uint32_t written = 0;
  ASSERT_FALSE(Write(port, bulk, written, completion));
  ASSERT_EQ(GetLastError(), ERROR_IO_PENDING);

  device.HangUp();
  const auto start = Clock::now();
  EXPECT_FALSE(api.WaitForSingleObject(completion, 60s));
  EXPECT_LT(Clock::now() - start, kDeadline) << "the wait sat out its timeout on a dead device";
  api.CloseEvent(completion);
}

// --- Injected faults ------------------------------------------------------------

// The real port behind the failing wrapper the tests put in front of it.
struct FaultyPortFixture : PosixSerialFixture {
  testing::FaultySerialApi faulty{api};
  bool FaultyWrite(PortHandle port, std::string_view bytes, std::uint32_t& written, EventHandle completion) {
    return faulty.WriteFile(port, bytes.data(), static_cast<std::uint32_t>(bytes.size()), written, completion);
  }
};

// The calls on an open port that a plain "fail the next one" fails.
struct PortHook {
  const char* name;
  testing::SerialCall fault;
  std::function<bool(SerialApi&, PortHandle)> call;
};

const std::vector<PortHook>& PortHooks() {
  static const std::vector<PortHook> hooks{
      {"SetCommTimeouts", testing::SerialCall::SetCommTimeouts,
       [](SerialApi& api, PortHandle port) { return api.SetCommTimeouts(port, CommTimeouts{}); }},
      {"GetCommState", testing::SerialCall::GetCommState,
       [](SerialApi& api, PortHandle port) {
         Dcb dcb;
         return api.GetCommState(port, dcb);
       }},
      {"SetCommState", testing::SerialCall::SetCommState,
       [](SerialApi& api, PortHandle port) { return api.SetCommState(port, Dcb{115200, 8}); }},
      {"SetCommMask(EV_RXCHAR)", testing::SerialCall::ArmCommMask,
       [](SerialApi& api, PortHandle port) { return api.SetCommMask(port, EV_RXCHAR); }},
      {"SetCommMask(0)", testing::SerialCall::ClearCommMask,
       [](SerialApi& api, PortHandle port) { return api.SetCommMask(port, 0); }},
  };
  return hooks;
}

TEST_F(FaultyPortFixture, EachPortHookFailsOnlyTheNextCallOfItsKind) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  std::uint32_t error = 0x2000;
  for (const PortHook& hook : PortHooks()) {
    SCOPED_TRACE(hook.name);
    ++error;
    faulty.failNext(hook.fault, error);
    // The other kinds are not hit by it.
    for (const PortHook& other : PortHooks()) {
      if (other.fault != hook.fault) {
        EXPECT_TRUE(other.call(faulty, port)) << other.name << " failed instead";
      }
    }
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(hook.call(faulty, port));
    EXPECT_EQ(GetLastError(), error);
    EXPECT_TRUE(hook.call(faulty, port)) << "the fault outlived its one call";
  }
}

TEST_F(FaultyPortFixture, AnInjectedOpenFailureTakesNoPort) {
  faulty.failNext(testing::SerialCall::CreateFile, ERROR_SHARING_VIOLATION);
  EXPECT_EQ(faulty.CreateFile(u"COM4:"), INVALID_PORT_HANDLE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(OthersShutOut(device.slavePath()));
  EXPECT_NE(faulty.CreateFile(u"COM4:"), INVALID_PORT_HANDLE);
}

TEST_F(FaultyPortFixture, AnInjectedCloseFailureLeavesThePortOpen) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  faulty.failNext(testing::SerialCall::CloseHandle, 0x2100);
  EXPECT_FALSE(faulty.CloseHandle(port));
  EXPECT_EQ(GetLastError(), 0x2100u);

  Dcb dcb;
  EXPECT_TRUE(faulty.GetCommState(port, dcb)) << "the handle died although the close failed";
  EXPECT_EQ(faulty.CreateFile(u"COM4:"), INVALID_PORT_HANDLE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);

  EXPECT_TRUE(faulty.CloseHandle(port));
  EXPECT_NE(faulty.CreateFile(u"COM4:"), INVALID_PORT_HANDLE);
}

TEST_F(FaultyPortFixture, AnInjectedEventFailureGivesNoEvent) {
  faulty.failNext(testing::SerialCall::CreateEvent, ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(faulty.CreateEvent(), 0u);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  const EventHandle first = faulty.CreateEvent();
  const EventHandle second = faulty.CreateEvent();
  EXPECT_NE(first, 0u);
  EXPECT_NE(second, 0u);
  EXPECT_NE(first, second);
}

TEST_F(FaultyPortFixture, AnInjectedWriteFailureSendsNothing) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  const EventHandle completion = faulty.CreateEvent();
  faulty.failNext(testing::SerialCall::WriteFile, ERROR_DEVICE_NOT_AVAILABLE);

  std::uint32_t written = 0;
  EXPECT_FALSE(FaultyWrite(port, "lost\r\n", written, completion));
  EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_AVAILABLE);
  ASSERT_TRUE(FaultyWrite(port, "AT\r\n", written, completion));
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(device.Receive(4), "AT\r\n") << "the failed write's bytes went out";
  EXPECT_EQ(device.Pending(), 0);
  faulty.CloseEvent(completion);
}

TEST_F(FaultyPortFixture, AnInjectedPendingWriteEndsAsChosenAndOnlyOnce) {
  const PortHandle port = OpenLikeTheChannel();
  ASSERT_NE(port, INVALID_PORT_HANDLE);
  std::uint32_t written = 99;

  const EventHandle late = faulty.CreateEvent();
  faulty.pendNextWrite(testing::PendingWrite::NeverCompletes);
  EXPECT_FALSE(FaultyWrite(port, "lost\r\n", written, late));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_EQ(written, 0u);
  EXPECT_FALSE(faulty.WaitForSingleObject(late, 1000ms));
  faulty.CloseEvent(late);

  const EventHandle next = faulty.CreateEvent();
  EXPECT_TRUE(FaultyWrite(port, "ATE0\r\n", written, next)) << "the next write went pending as well";
  EXPECT_EQ(written, 6u);
  EXPECT_EQ(device.Receive(6), "ATE0\r\n") << "the write that never completed sent bytes";
  faulty.CloseEvent(next);

  const EventHandle inTime = faulty.CreateEvent();
  faulty.pendNextWrite(testing::PendingWrite::CompletesInTime);
  EXPECT_FALSE(FaultyWrite(port, "AT\r\n", written, inTime));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_TRUE(faulty.WaitForSingleObject(inTime, 1000ms));
  EXPECT_EQ(device.Receive(4), "AT\r\n") << "the write that completed in time sent nothing";
  faulty.CloseEvent(inTime);

  const EventHandle after = faulty.CreateEvent();
  EXPECT_TRUE(FaultyWrite(port, "AT+GMI\r\n", written, after)) << "the next write went pending as well";
  EXPECT_EQ(written, 8u);
  faulty.CloseEvent(after);
}

}  // namespace
}  // namespace p42r::platform
