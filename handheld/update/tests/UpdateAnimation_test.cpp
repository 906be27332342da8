// The progress screen's animation: frames every 500 ms of the program's
// clock, drawn by the user-interface thread at the thread's request, the
// frame index that carries over into the next run, and the repaint after the
// end.
#include "update/UpdateAnimation.h"

#include <gtest/gtest.h>

#include <thread>

#include "update/tests/UpdateStage.h"

namespace p42r::update {
namespace {

struct Animation : ::testing::Test, UpdateStage {
  // Lets half a second pass and waits until the thread has drawn again.
  void NextFrame() {
    const std::size_t before = frames.size();
    Advance(500);
    ASSERT_TRUE(WaitFor([&] { return frames.size() > before; })) << "no frame after 500 ms";
  }
  static int After(int resource) { return resource == 137 ? 130 : resource + 1; }
};

TEST_F(Animation, FramesFollowEachOtherEveryHalfSecondAndWrapAfterTheEighth) {
  StartUpdate();
  ASSERT_EQ(frames.size(), 1u);
  const int first = frames[0];
  EXPECT_GE(first, 130);
  EXPECT_LE(first, 137);
  for (int i = 0; i < 9; ++i) NextFrame();
  ASSERT_EQ(frames.size(), 10u);
  for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_EQ(frames[i], After(frames[i - 1])) << i;
  EXPECT_EQ(Control(1079).picture().mode, platform::PictureMode::Stretch);
  EXPECT_EQ(updating.animation().lastFrame(), frames.back());
  EXPECT_FALSE(Control(1079).isVisible()) << "the frames go where the hidden placeholder lies";
}

TEST_F(Animation, ANewRunGoesOnFromTheFrameAfterTheLastOneShown) {
  StartUpdate();
  NextFrame();
  NextFrame();
  Send({"OK"});
  const int last = frames.back();
  EXPECT_FALSE(updating.animation().running());
  // A stopped animation draws no more, however much time passes.
  Advance(5000);
  RunUntilIdle();
  EXPECT_EQ(frames.back(), last);
  const std::size_t shown = frames.size();

  windows.post(updating.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1061, 0));
  RunUntilIdle();
  frames.clear();
  StartUpdate();
  EXPECT_EQ(frames.front(), After(last));
  EXPECT_GT(shown, 2u);
}

TEST_F(Animation, ARepaintAfterTheEndDrawsTheFrameTheAnimationStoppedOn) {
  StartUpdate();
  NextFrame();
  Send({"ERROR", "FDLNG"});
  const int last = frames.back();
  const std::size_t before = frames.size();
  windows.post(updating.handle(), platform::WM_PAINT);
  RunUntilIdle();
  ASSERT_EQ(frames.size(), before + 1);
  EXPECT_EQ(frames.back(), last);
}

TEST_F(Animation, ARepaintWhileRunningOrBeforeAnyFrameDrawsNothing) {
  windows.post(updating.handle(), platform::WM_PAINT);
  RunUntilIdle();
  EXPECT_TRUE(frames.empty());
  StartUpdate();
  const std::size_t before = frames.size();
  windows.post(updating.handle(), platform::WM_PAINT);
  RunUntilIdle();
  EXPECT_EQ(frames.size(), before);
}

TEST_F(Animation, ADisplayThatCannotStretchGetsTheFramesUnscaledAtTheCorner) {
  display.setCanStretch(false);
  StartUpdate();
  const platform::Picture& picture = Control(1079).picture();
  EXPECT_EQ(picture.mode, platform::PictureMode::Unscaled);
  EXPECT_EQ(picture.sourceX, 0);
  EXPECT_EQ(picture.sourceY, 0);
}

TEST(AnimationThread, StopEndsAWaitingThreadWithoutTimePassing) {
  platform::ManualClock clock;
  platform::EventLoop loop(clock);
  platform::Display display(loop);
  UpdateAnimation animation(clock, display);
  animation.Start(/*window=*/0x999, 1079);
  EXPECT_TRUE(animation.running());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (animation.lastFrame() == 0 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  ASSERT_NE(animation.lastFrame(), 0) << "the thread never drew";
  // The thread now waits half a second of a clock that nobody moves: only
  // the stop can end that wait, and Stop returns once the thread has ended.
  animation.Stop();
  EXPECT_FALSE(animation.running());
  EXPECT_EQ(animation.nextIndex(), animation.lastFrame() - 130 + 1);
}

}  // namespace
}  // namespace p42r::update
