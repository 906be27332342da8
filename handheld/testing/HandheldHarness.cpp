#include "testing/HandheldHarness.h"

#include <gtest/gtest.h>

namespace p42r::testing {

HandheldHarness::HandheldHarness() {
  if (auto problem = deviceRoot.prepare(false)) throw std::runtime_error(*problem);
  windows.setTap([this](const platform::Message& message) {
    delivered_.push_back(Delivered{message.window, message.id, message.wParam});
  });
}

HandheldHarness::~HandheldHarness() {
  windows.setTap(nullptr);
  clock.shutdown();
}

void HandheldHarness::RunUntilIdle() {
  loop.runModal([this] { return !loop.hasPosted(); });
}

void HandheldHarness::Advance(long ms) {
  bool done = false;
  loop.advance(platform::Duration(ms), [&] { done = true; });
  EXPECT_TRUE(RunUntil([&] { return done; })) << "advancing " << ms << " ms did not finish";
  RunUntilIdle();
}

bool HandheldHarness::RunUntil(const std::function<bool()>& done, long deadlineMs) {
  bool timedOut = false;
  const auto alarm = loop.addRealTimeAlarm(
      std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs), [&] { timedOut = true; });
  loop.runModal([&] { return done() || timedOut; });
  loop.cancelRealTimeAlarm(alarm);
  return !timedOut;
}

bool HandheldHarness::WaitFor(const std::function<bool()>& done, long deadlineMs) {
  platform::AlarmId alarm = 0;
  std::function<void()> look;
  look = [&] { alarm = loop.addRealTimeAlarm(std::chrono::steady_clock::now() + std::chrono::milliseconds(2), look); };
  look();
  const bool reached = RunUntil(done, deadlineMs);
  loop.cancelRealTimeAlarm(alarm);
  return reached;
}

std::size_t HandheldHarness::CountDelivered(platform::WindowHandle window, platform::MessageId id) const {
  std::size_t count = 0;
  for (const auto& message : delivered_) count += (message.window == window && message.id == id) ? 1 : 0;
  return count;
}

}  // namespace p42r::testing
