// The emulated handheld in-process for tests: a fresh device root, a manual
// clock, the platform stand-in and the services every screen uses. Tests
// drive it by posting input and running the loop until it is idle.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "app/Services.h"
#include "link/SerialChannel.h"
#include "platform/Registry.h"
#include "testing/FakeSerialApi.h"
#include "testing/FaultyFileSystem.h"
#include "testing/FaultySerialApi.h"
#include "testing/FaultyTimers.h"
#include "platform/UserInput.h"
#include "testing/TempDirectory.h"

namespace p42r::testing {

class HandheldHarness {
 public:
  HandheldHarness();
  ~HandheldHarness();

  // Delivers everything posted, and what that posts, without moving time.
  void RunUntilIdle();
  // Moves virtual time by `ms`, firing due timers in order.
  void Advance(long ms);
  // Runs the loop until `done` (with a real-time deadline that fails the test).
  bool RunUntil(const std::function<bool()>& done, long deadlineMs = 5000);
  // The same for a condition another thread makes true without posting
  // anything: the loop looks again every few milliseconds of real time.
  bool WaitFor(const std::function<bool()>& done, long deadlineMs = 5000);

  // Every message delivered to a window so far, in order.
  struct Delivered {
    platform::WindowHandle window;
    platform::MessageId id;
    std::uint64_t wParam;
  };
  const std::vector<Delivered>& delivered() const { return delivered_; }
  std::size_t CountDelivered(platform::WindowHandle window, platform::MessageId id) const;

  TempDirectory directory;
  platform::ManualClock clock;
  platform::EventLoop loop{clock};
  platform::WindowSystem windows{loop};
  platform::Display display{loop};
  platform::DeviceRoot deviceRoot{directory.path()};
  platform::CodePage codePage;
  platform::DiagnosticLog log{clock};
  app::AppState state;
  platform::Registry registry{deviceRoot.registryFile()};
  FakeSerialApi serial;
  // What the program reaches goes through these, so a test can make a call fail.
  FaultySerialApi faultySerial{serial};
  FaultyTimers timers{loop};
  FaultyFileSystem files;
  link::SerialChannel channel{faultySerial, windows, display, codePage, log, clock};
  app::Services services{clock, loop, windows, display, deviceRoot, codePage, log, state, registry, channel, files,
                         timers};
  platform::UserInput input{display, windows};

 private:
  std::vector<Delivered> delivered_;
};

}  // namespace p42r::testing
