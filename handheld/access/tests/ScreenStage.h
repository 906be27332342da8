// The password screens on the test harness, with a navigator that switches
// among them as the application would and records every switch and close
// request, and a frontend stand-in that records each message box and
// answers it with OK.
#pragma once

#include <string>
#include <vector>

#include "access/PasswordScreens.h"
#include "testing/HandheldHarness.h"

namespace p42r::access {

class ScreenStage final : public app::Navigator, private platform::DisplayObserver {
 public:
  explicit ScreenStage(testing::HandheldHarness& harness);
  ~ScreenStage();

  platform::Form* SwitchScreen(int number) override;
  void PostClose() override { ++closeRequests; }

  struct Box {
    std::u16string text;
    platform::MessageBoxIcon icon;
    bool operator==(const Box&) const = default;
  };

  ClsCheckPswd check;
  ClsUnlock unlock;
  ClsChangePswd change;

  std::vector<int> switches;
  int closeRequests = 0;
  std::vector<Box> boxes;
  int current = 0;

 private:
  void messageBoxOpened(const platform::MessageBoxState& box) override;
  platform::Form* Screen(int number);

  testing::HandheldHarness& harness_;
};

}  // namespace p42r::access
