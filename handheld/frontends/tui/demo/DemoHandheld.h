// A small stand-in for the program, built from the real templates, strings
// and bitmaps, to try the terminal interface before (and beside) the real
// screens: the start-up picture, the consumer menu, the update start page
// with its warning, and an update run with a moving progress bar, status
// texts and the 500 ms animation drawn from its own thread. Any other
// template can be shown as it is. Used by tui_demo and its tmux tests.
#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <memory>
#include <thread>

#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/EventLoop.h"
#include "platform/Form.h"
#include "platform/Window.h"

namespace p42r::frontends::demo {

class DemoScreen;

class DemoHandheld {
 public:
  struct Options {
    int firstTemplate = 201;      // where the demo starts
    bool canStretch = true;       // the display's stretch capability
    int progressStepMs = 350;     // between two update notices
    int crashAfterMs = 0;         // > 0: an exception escapes the loop then
  };

  DemoHandheld(platform::Clock& clock, Options options);
  ~DemoHandheld();

  platform::EventLoop& loop() { return loop_; }
  platform::WindowSystem& windows() { return windows_; }
  platform::Display& display() { return display_; }
  DemoScreen& screen(int templateId);

  // Shows template `templateId` and runs what that screen does when it appears.
  void switchTo(int templateId);
  // Handlers of the screens.
  void command(DemoScreen& screen, std::uint16_t controlId);
  void timer(DemoScreen& screen, platform::TimerId id);

  // The update run's animation thread (stopped by stopAnimation, or at the end).
  void startAnimation(platform::WindowHandle screen);
  void stopAnimation();

 private:
  void beginUpdate(DemoScreen& screen);
  void stepUpdate(DemoScreen& screen);

  Options options_;
  platform::EventLoop loop_;
  platform::WindowSystem windows_;
  platform::Display display_;
  std::unique_ptr<platform::Window> frame_;
  std::map<int, std::unique_ptr<DemoScreen>> screens_;
  int notice_ = 0;
  std::mutex animationMutex_;
  std::condition_variable animationStopped_;
  bool animating_ = false;  // guarded by animationMutex_
  std::atomic<int> frameIndex_{0};
  std::thread animation_;
};

class DemoScreen final : public platform::Form {
 public:
  DemoScreen(DemoHandheld& handheld, std::uint16_t templateId);

 protected:
  // Like the program's screens: the Return key never reaches dialog processing.
  bool preTranslateMessage(const platform::Message& message) override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
  void onTimer(platform::TimerId id) override;

 private:
  DemoHandheld& handheld_;
};

}  // namespace p42r::frontends::demo
