#include "platform/EventLoop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/LastError.h"
#include "platform/Window.h"
#include "testing/FaultyTimers.h"

namespace p42r::platform {
namespace {

// A window that records what it receives.
class RecordingWindow final : public Window {
 public:
  using Window::Window;
  void handleMessage(Message& message) override {
    received.push_back(message.id == WM_TIMER ? 0x10000 + static_cast<std::uint32_t>(message.wParam) : message.id);
    if (onMessage) onMessage(message);
  }
  std::vector<std::uint32_t> received;
  std::function<void(Message&)> onMessage;
};

struct LoopFixture : ::testing::Test {
  ManualClock clock;
  EventLoop loop{clock};
  WindowSystem windows{loop};

  // Runs the loop until `done` or a deadline of real time passes.
  bool RunUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool timedOut = false;
    loop.addRealTimeAlarm(deadline, [&] { timedOut = true; });
    loop.runModal([&] { return done() || timedOut; });
    return !timedOut;
  }

  // Advances virtual time and runs the loop until the advance is complete.
  void Advance(long ms) {
    bool done = false;
    loop.advance(Duration(ms), [&] { done = true; });
    ASSERT_TRUE(RunUntil([&] { return done; }));
  }
};

TEST_F(LoopFixture, PostedMessagesAndTasksArriveInPostingOrder) {
  RecordingWindow window(windows);
  std::vector<int> order;
  window.onMessage = [&](Message& m) { order.push_back(static_cast<int>(m.wParam)); };
  windows.post(window.handle(), WM_USER, 1);
  loop.postTask([&] { order.push_back(2); });
  windows.post(window.handle(), WM_USER, 3);
  ASSERT_TRUE(RunUntil([&] { return order.size() == 3; }));
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST_F(LoopFixture, MessageToAWindowThatIsGoneIsDroppedWithItsPayload) {
  struct Counted final : Payload {
    explicit Counted(int& count) : live(count) { ++live; }
    ~Counted() override { --live; }
    int& live;
  };
  int live = 0;
  WindowHandle gone = 0;
  {
    RecordingWindow window(windows);
    gone = window.handle();
  }
  windows.post(gone, WM_USER, 0, 0, std::make_unique<Counted>(live));
  EXPECT_EQ(live, 1);
  bool flushed = false;
  loop.postTask([&] { flushed = true; });
  ASSERT_TRUE(RunUntil([&] { return flushed; }));
  EXPECT_EQ(live, 0);
}

TEST_F(LoopFixture, TimersFireOnlyAsVirtualTimePassesAndInDueOrder) {
  RecordingWindow window(windows);
  ASSERT_TRUE(loop.setTimer(window.handle(), 7, Duration(300)));
  ASSERT_TRUE(loop.setTimer(window.handle(), 8, Duration(100)));
  Advance(99);
  EXPECT_TRUE(window.received.empty());
  Advance(1);
  EXPECT_EQ(window.received, (std::vector<std::uint32_t>{0x10008}));
  Advance(200);
  // 8 again at 200, then 7 and 8 together at 300: 7 was set first.
  EXPECT_EQ(window.received, (std::vector<std::uint32_t>{0x10008, 0x10008, 0x10007, 0x10008}));
}

TEST_F(LoopFixture, RearmingATimerReplacesItsCountdown) {
  RecordingWindow window(windows);
  ASSERT_TRUE(loop.setTimer(window.handle(), 1, Duration(1000)));
  Advance(900);
  ASSERT_TRUE(loop.setTimer(window.handle(), 1, Duration(1000)));
  Advance(900);
  EXPECT_TRUE(window.received.empty());
  Advance(100);
  EXPECT_EQ(window.received.size(), 1u);
}

TEST_F(LoopFixture, KilledTimerNeverFiresAndASecondKillFailsWithoutError) {
  RecordingWindow window(windows);
  ASSERT_TRUE(loop.setTimer(window.handle(), 1, Duration(10)));
  EXPECT_TRUE(loop.killTimer(window.handle(), 1));
  SetLastError(99);
  EXPECT_FALSE(loop.killTimer(window.handle(), 1));
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  Advance(100);
  EXPECT_TRUE(window.received.empty());
}

TEST_F(LoopFixture, InjectedTimerFaultsFailOnceWithTheirLastError) {
  RecordingWindow window(windows);
  testing::FaultyTimers timers{loop};
  timers.failNextSet(8);
  EXPECT_FALSE(timers.setTimer(window.handle(), 1, Duration(10)));
  EXPECT_EQ(GetLastError(), 8u);
  EXPECT_FALSE(loop.hasTimer(window.handle(), 1));
  EXPECT_TRUE(timers.setTimer(window.handle(), 1, Duration(10)));
  timers.failNextKill(0);
  EXPECT_FALSE(timers.killTimer(window.handle(), 1));
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_TRUE(loop.hasTimer(window.handle(), 1)) << "a failed kill leaves the timer running";
}

TEST_F(LoopFixture, ATimerOfADestroyedWindowIsGone) {
  WindowHandle handle = 0;
  {
    RecordingWindow window(windows);
    handle = window.handle();
    ASSERT_TRUE(loop.setTimer(handle, 1, Duration(10)));
  }
  EXPECT_FALSE(loop.hasTimer(handle, 1));
}

TEST_F(LoopFixture, ANestedLoopKeepsDispatchingAndTimersFireInsideIt) {
  RecordingWindow window(windows);
  bool answered = false;
  window.onMessage = [&](Message& m) {
    if (m.id == WM_USER + 1) answered = true;
  };
  ASSERT_TRUE(loop.setTimer(window.handle(), 5, Duration(50)));
  loop.postTask([&] {
    // The modal loop runs inside this task; an advance that started outside
    // goes on within it.
    windows.post(window.handle(), WM_USER + 1);
    loop.runModal([&] { return answered && window.received.size() >= 2; });
  });
  Advance(60);
  EXPECT_TRUE(answered);
  EXPECT_EQ(window.received.front(), WM_USER + 1);
  EXPECT_EQ(window.received.back(), 0x10005u);
}

TEST_F(LoopFixture, SleepOnTheUserInterfaceThreadPassesVirtualTime) {
  RecordingWindow window(windows);
  ASSERT_TRUE(loop.setTimer(window.handle(), 1, Duration(100)));
  const TimePoint before = clock.now();
  clock.sleepFor(Duration(150));
  EXPECT_EQ(clock.now() - before, Duration(150));
  bool idle = false;
  loop.postTask([&] { idle = true; });
  ASSERT_TRUE(RunUntil([&] { return idle && !window.received.empty(); }));
  EXPECT_EQ(window.received.size(), 1u);
}

TEST_F(LoopFixture, QuitEndsEveryLoopLevel) {
  int afterQuit = 0;
  loop.postTask([&] {
    loop.runModal([] { return false; });
    ++afterQuit;
  });
  loop.postTask([&] { loop.quit(7); });
  EXPECT_EQ(loop.run(), 7);
  EXPECT_EQ(afterQuit, 1);
}

TEST(EventLoopThreads, APostFromAnotherThreadWakesAWaitingLoop) {
  SteadyClock clock;
  EventLoop loop(clock);
  WindowSystem windows(loop);
  RecordingWindow window(windows);
  window.onMessage = [&](Message&) { loop.quit(0); };
  bool timedOut = false;
  loop.addRealTimeAlarm(std::chrono::steady_clock::now() + std::chrono::seconds(10), [&] {
    timedOut = true;
    loop.quit(1);
  });
  std::thread poster([&] { windows.post(window.handle(), WM_USER); });
  EXPECT_EQ(loop.run(), 0);
  poster.join();
  EXPECT_FALSE(timedOut);
}

// A toolkit's loop joined to the program's: the loop waits inside it, and a
// post from another thread ends that wait.
struct FakeForeignLoop final : ForeignLoop {
  std::mutex mutex;
  std::condition_variable woken;
  bool wakePending = false;
  int waits = 0;
  void waitAndHandle(std::optional<std::chrono::steady_clock::time_point> deadline) override {
    std::unique_lock lock(mutex);
    ++waits;
    woken.wait_until(lock, deadline.value_or(std::chrono::steady_clock::now() + std::chrono::seconds(10)),
                     [&] { return wakePending; });
    wakePending = false;
  }
  void wake() override {
    std::lock_guard lock(mutex);
    wakePending = true;
    woken.notify_one();
  }
};

TEST(EventLoopThreads, AJoinedForeignLoopGetsTurnsWhileBusyAndIsWhereTheLoopWaits) {
  SteadyClock clock;
  EventLoop loop(clock);
  FakeForeignLoop foreign;
  loop.setForeignLoop(&foreign);
  WindowSystem windows(loop);
  RecordingWindow window(windows);
  window.onMessage = [&](Message&) { loop.quit(0); };
  const auto started = std::chrono::steady_clock::now();
  // Busy until the foreign loop has had two turns all the same.
  std::function<void()> busy = [&] {
    if (foreign.waits < 2 && std::chrono::steady_clock::now() - started < std::chrono::seconds(10)) loop.postTask(busy);
  };
  loop.postTask(busy);
  // Then idle: the loop waits in the foreign one until another thread posts.
  std::thread poster([&] {
    while (true) {
      std::lock_guard lock(foreign.mutex);
      if (foreign.waits >= 3) break;
    }
    windows.post(window.handle(), WM_USER);
  });
  EXPECT_EQ(loop.run(), 0);
  poster.join();
  EXPECT_GE(foreign.waits, 3);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "the post did not wake it";
}

TEST(ManualClockThreads, ABackgroundWaitEndsWhenTimeReachesItOrOnShutdown) {
  ManualClock clock;
  std::atomic<int> finished{0};
  std::thread waiter([&] {
    if (clock.waitFor(Duration(500))) finished = 1;
  });
  // The waiter's deadline counts from when it starts waiting, which this
  // thread cannot see: keep time moving until it is through.
  const auto realDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (finished.load() == 0 && std::chrono::steady_clock::now() < realDeadline) {
    clock.advance(Duration(100));
    std::this_thread::yield();
  }
  waiter.join();
  EXPECT_EQ(finished.load(), 1);

  std::thread stopped([&] { finished = clock.waitFor(Duration(500)) ? 2 : 3; });
  clock.shutdown();
  stopped.join();
  EXPECT_EQ(finished.load(), 3);
}

TEST(ClockThreads, AStopRequestEndsAWaitAtOnceOnEitherClock) {
  ManualClock manual;
  SteadyClock steady;
  for (Clock* clock : {static_cast<Clock*>(&manual), static_cast<Clock*>(&steady)}) {
    std::atomic<int> result{0};
    // An hour would never pass by itself here: only the stop can end it.
    const TimePoint later = clock->now() + std::chrono::hours(1);
    std::jthread waiter([&](std::stop_token stop) { result = clock->waitUntil(later, stop) ? 1 : 2; });
    waiter.request_stop();
    waiter.join();
    EXPECT_EQ(result.load(), 2);
  }
  // A wait whose time has come reports that it passed, on either clock.
  std::stop_source unused;
  EXPECT_TRUE(steady.waitUntil(steady.now(), unused.get_token()));
  const TimePoint due = manual.now() + Duration(500);
  std::atomic<int> passed{0};
  std::jthread late([&] { passed = manual.waitUntil(due, unused.get_token()) ? 1 : 2; });
  manual.advance(Duration(500));
  late.join();
  EXPECT_EQ(passed.load(), 1) << "a deadline fixed beforehand holds however late the wait begins";
}

}  // namespace
}  // namespace p42r::platform
