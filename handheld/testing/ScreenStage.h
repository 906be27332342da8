// Screens on the test harness, behind the fake serial port with a scripted
// card on an open "COM4:". The stage is the screens' navigator: it shows the
// screens added to it as the application would (hiding the old one, posting
// the activation) and records every switch and close request. Message boxes
// are recorded and answered by a test's chosen response, which runs inside
// the box's own loop, so it may feed the card and wait there.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/ScreenView.h"
#include "testing/HandheldHarness.h"
#include "testing/ScriptedCard.h"

namespace p42r::testing {

struct Box {
  std::u16string text;
  platform::MessageBoxButtons buttons;
  platform::MessageBoxIcon icon;
  bool operator==(const Box&) const = default;
};

class ScreenStage : public HandheldHarness, public app::Navigator, private platform::DisplayObserver {
 public:
  ScreenStage();
  virtual ~ScreenStage();

  // Makes `screen` screen `number` of this stage and runs its first layout.
  void Add(int number, app::ScreenView& screen);

  platform::Form* SwitchScreen(int number) override;
  void PostClose() override { ++closeRequests; }

  // A tap on control `id` of the visible screen, as the user gives it.
  void Click(std::uint16_t id);
  // The card sends these lines, each framed as the card frames it, and the
  // screen `window` has been handed them all.
  void Send(platform::WindowHandle window, std::initializer_list<const char*> lines);
  // Everything the program wrote to the card since the last call, NULs shown as "\0".
  std::vector<std::string> TakeWrites();

  // The screen shown now (nullptr: one that is not on this stage).
  platform::Form* Current() const;

  ScriptedCard card{serial};
  std::vector<int> switches;
  int current = 0;
  int closeRequests = 0;
  std::vector<Box> boxes;
  // Whether the port was open when each box appeared.
  std::vector<bool> portOpenAtBox;
  std::function<int(const Box&)> respond = [](const Box&) { return platform::IDOK; };

 protected:
  // Every change of a control of a screen on this stage.
  virtual void ControlChanged(const platform::Form& /*form*/, const platform::Control& /*control*/,
                              platform::ControlProperty /*property*/) {}

 private:
  void messageBoxOpened(const platform::MessageBoxState& box) override;
  void controlChanged(const platform::Form& form, const platform::Control& control,
                      platform::ControlProperty property) override;

  std::map<int, app::ScreenView*> screens_;
};

}  // namespace p42r::testing
