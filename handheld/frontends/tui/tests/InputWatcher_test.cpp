// The watcher thread and the signal relay: input and signals are reported
// without spinning, stopping wakes the thread at once. Every wait here has
// its own deadline.
#include "frontends/tui/InputWatcher.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <condition_variable>
#include <csignal>
#include <future>
#include <mutex>

#include "frontends/tui/SignalRelay.h"

namespace p42r::frontends::tui {
namespace {

constexpr auto kDeadline = std::chrono::seconds(5);

struct Pipe {
  int read = -1;
  int write = -1;
  Pipe() {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    read = fds[0];
    write = fds[1];
  }
  ~Pipe() {
    if (read >= 0) ::close(read);
    closeWrite();
  }
  void closeWrite() {
    if (write >= 0) ::close(write);
    write = -1;
  }
  void put(const char* bytes) { ASSERT_EQ(::write(write, bytes, std::strlen(bytes)), static_cast<ssize_t>(std::strlen(bytes))); }
  void drain() {
    char buffer[64];
    [[maybe_unused]] const auto got = ::read(read, buffer, sizeof buffer);
  }
};

// Counts the reports and lets the test wait for a number of them.
struct Reports {
  std::mutex mutex;
  std::condition_variable changed;
  int inputs = 0;
  int signals = 0;
  Pipe* signalPipe = nullptr;

  void input() {
    const std::lock_guard lock(mutex);
    ++inputs;
    changed.notify_all();
  }
  void signal() {
    signalPipe->drain();
    const std::lock_guard lock(mutex);
    ++signals;
    changed.notify_all();
  }
  bool waitFor(int wantedInputs, int wantedSignals) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, kDeadline, [&] { return inputs >= wantedInputs && signals >= wantedSignals; });
  }
};

struct Watching : ::testing::Test {
  Pipe terminal;
  Pipe signalPipe;
  Reports reports;
  std::unique_ptr<InputWatcher> watcher;

  void SetUp() override {
    reports.signalPipe = &signalPipe;
    watcher = std::make_unique<InputWatcher>(
        terminal.read, signalPipe.read, [this] { reports.input(); }, [this] { reports.signal(); });
    watcher->start();
  }
  // A round trip through the watcher's loop: once the signal is reported,
  // the thread has been round its loop with the input still waiting.
  void RoundTrip(int expectedSignals) {
    signalPipe.put("s");
    ASSERT_TRUE(reports.waitFor(0, expectedSignals));
  }
};

TEST_F(Watching, InputIsReportedOnceUntilTheReaderResumes) {
  terminal.put("a");
  ASSERT_TRUE(reports.waitFor(1, 0));
  terminal.put("b");
  RoundTrip(1);
  RoundTrip(2);
  EXPECT_EQ(reports.inputs, 1) << "the waiting input must not be reported again before resume";
  terminal.drain();
  terminal.put("c");
  watcher->resume();
  ASSERT_TRUE(reports.waitFor(2, 2));
}

TEST_F(Watching, AHangUpIsReportedWithoutSpinning) {
  terminal.closeWrite();
  ASSERT_TRUE(reports.waitFor(1, 0));
  RoundTrip(1);
  EXPECT_EQ(reports.inputs, 1);
}

TEST_F(Watching, StopWakesTheThreadAtOnce) {
  auto stopped = std::async(std::launch::async, [this] { watcher->stop(); });
  EXPECT_EQ(stopped.wait_for(kDeadline), std::future_status::ready);
  watcher->stop();  // again: nothing to do
  EXPECT_EQ(reports.inputs, 0);
}

TEST(SignalRelays, SignalsArriveOnThePipeAndTheOldHandlersComeBack) {
  struct sigaction before {};
  ::sigaction(SIGUSR1, nullptr, &before);
  {
    SignalRelay relay({SIGUSR1, SIGUSR2});
    EXPECT_THROW(SignalRelay second({SIGUSR1}), std::logic_error);
    EXPECT_TRUE(relay.read().empty());
    std::raise(SIGUSR2);
    std::raise(SIGUSR1);
    EXPECT_EQ(relay.read(), (std::vector<int>{SIGUSR2, SIGUSR1}));
    EXPECT_TRUE(relay.read().empty());
  }
  struct sigaction after {};
  ::sigaction(SIGUSR1, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
  SignalRelay again({SIGUSR1});  // the slot is free again
}

}  // namespace
}  // namespace p42r::frontends::tui
