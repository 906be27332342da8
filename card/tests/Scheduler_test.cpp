#include "card/ManualCardClock.h"
#include "card/Scheduler.h"
#include "card/SteadyCardClock.h"

#include <gtest/gtest.h>

#include <string>

namespace p42r::card {
namespace {

using namespace std::chrono_literals;

TEST(Scheduler, RunsInDueOrderAndScheduleOrderAtTheSamePoint) {
  ManualCardClock clock;
  Scheduler scheduler(clock);
  std::string order;
  scheduler.after(20ms, TimerGroup::Reply, [&] { order += "c"; });
  scheduler.after(10ms, TimerGroup::Reply, [&] { order += "a"; });
  scheduler.after(10ms, TimerGroup::Update, [&] { order += "b"; });
  EXPECT_EQ(scheduler.runDue(), 0u);
  clock.advance(10ms);
  EXPECT_EQ(scheduler.runDue(), 2u);
  EXPECT_EQ(order, "ab");
  EXPECT_EQ(scheduler.nextDue(), clock.now() + 10ms);
  clock.advance(1h);
  scheduler.runDue();
  EXPECT_EQ(order, "abc");
  EXPECT_FALSE(scheduler.nextDue().has_value());
}

TEST(Scheduler, ActionsMayAddDueTimersAndCancelOthers) {
  ManualCardClock clock;
  Scheduler scheduler(clock);
  std::string order;
  scheduler.after(5ms, TimerGroup::Update, [&] {
    order += "first ";
    scheduler.after(0ms, TimerGroup::Reply, [&] { order += "now "; });
    scheduler.after(1ms, TimerGroup::Reply, [&] { order += "later "; });
    scheduler.cancel(TimerGroup::Unplug);
  });
  scheduler.after(5ms, TimerGroup::Unplug, [&] { order += "cancelled "; });
  clock.advance(5ms);
  scheduler.runDue();
  EXPECT_EQ(order, "first now ");
  EXPECT_EQ(scheduler.pending(TimerGroup::Reply), 1u);
  EXPECT_EQ(scheduler.pending(TimerGroup::Unplug), 0u);
}

TEST(Scheduler, CancelTouchesOnlyItsGroup) {
  ManualCardClock clock;
  Scheduler scheduler(clock);
  int ran = 0;
  scheduler.after(1ms, TimerGroup::Update, [&] { ran += 1; });
  scheduler.after(1ms, TimerGroup::Writing, [&] { ran += 10; });
  scheduler.cancel(TimerGroup::Update);
  clock.advance(1ms);
  scheduler.runDue();
  EXPECT_EQ(ran, 10);
}

TEST(ManualCardClock, WakesOnEveryMoveAndNeverAfterUnregistering) {
  ManualCardClock clock;
  int wakes = 0;
  clock.setWakeup([&] { ++wakes; });
  const auto start = clock.now();
  clock.advance(3s);
  EXPECT_EQ(clock.now() - start, 3s);
  EXPECT_EQ(wakes, 1);
  EXPECT_FALSE(clock.realWaitFor(clock.now() + 1ms).has_value());
  EXPECT_EQ(clock.realWaitFor(clock.now()), 0ms);
  clock.setWakeup({});
  clock.advance(1s);
  EXPECT_EQ(wakes, 1);
}

TEST(SteadyCardClock, WaitsAreRoundedUpAndNeverNegative) {
  SteadyCardClock clock;
  EXPECT_EQ(clock.realWaitFor(clock.now() - 1s), 0ms);
  // Less than a millisecond left still waits a whole one instead of spinning.
  const auto wait = clock.realWaitFor(clock.now() + 10s + 500us);
  ASSERT_TRUE(wait.has_value());
  EXPECT_GE(*wait, 10s);
  EXPECT_LE(*wait, 10001ms);
}

}  // namespace
}  // namespace p42r::card
