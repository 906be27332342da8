// A stand-in for the program's frame window in the frontend's tests: it
// counts the close requests the frontend sends it.
#pragma once

#include "platform/Message.h"
#include "platform/Window.h"

namespace p42r::frontends::tui::testing {

class ClosingFrame final : public platform::Window {
 public:
  explicit ClosingFrame(platform::WindowSystem& windows) : Window(windows) {}
  int closes = 0;
  void handleMessage(platform::Message& message) override {
    if (message.id == platform::WM_CLOSE) ++closes;
  }
};

}  // namespace p42r::frontends::tui::testing
