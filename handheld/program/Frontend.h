// The frontend of one run, whichever it is, as the program drives it; and
// the way an executable that carries the window makes that frontend.
#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

#include "platform/Display.h"
#include "platform/Window.h"

namespace p42r::program {

struct Frontend {
  virtual ~Frontend() = default;
  virtual void start() = 0;
  // The loop has ended: a terminal is given back at once, before the
  // program's own teardown.
  virtual void loopEnded() = 0;
  // Reports the end; the run's exit code.
  virtual int finish(int exitCode) = 0;
};

template <typename Concrete>
struct FrontendOf final : Frontend {
  template <typename... Arguments>
  explicit FrontendOf(Arguments&&... arguments) : frontend(std::forward<Arguments>(arguments)...) {}
  void start() override { frontend.start(); }
  void loopEnded() override {
    if constexpr (requires { frontend.release(); }) frontend.release();
  }
  int finish(int exitCode) override {
    if constexpr (std::is_same_v<decltype(frontend.finish(exitCode)), int>) {
      return frontend.finish(exitCode);
    } else {
      frontend.finish(exitCode);
      return exitCode;
    }
  }
  Concrete frontend;
};

// Makes the window; only the window part (p42r-gui) has one, so that p42r
// itself links no toolkit.
using WindowMaker = std::function<std::unique_ptr<Frontend>(platform::Display&, platform::WindowSystem&)>;

}  // namespace p42r::program
