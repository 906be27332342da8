// The two update screens on the test harness, behind the fake serial port
// with a scripted card on an open "COM4:". The navigator shows screens 8 and
// 9 as the application would and records every switch and close request;
// message boxes are recorded and answered by a test's chosen response, which
// runs inside the box's own loop (so it may feed the card and wait there).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "testing/HandheldHarness.h"
#include "testing/ScriptedCard.h"
#include "update/UpdateScreens.h"

namespace p42r::update {

struct Box {
  std::u16string text;
  platform::MessageBoxButtons buttons;
  platform::MessageBoxIcon icon;
  bool operator==(const Box&) const = default;
};

class UpdateStage : public testing::HandheldHarness, public app::Navigator, private platform::DisplayObserver {
 public:
  UpdateStage();
  virtual ~UpdateStage();

  platform::Form* SwitchScreen(int number) override;
  void PostClose() override { ++closeRequests; }

  // The card sends these lines, each framed as the card frames it, and the
  // screen has handled them all.
  void Send(std::initializer_list<const char*> lines);
  // Start page, Start, OK: the progress screen runs its update run.
  void StartUpdate();
  // Everything the program wrote to the card since the last call, NULs shown as "\0".
  std::vector<std::string> TakeWrites();

  const platform::Control& Control(std::uint16_t id) const { return *updating.control(id); }
  const std::u16string& Status() const { return Control(1072).text(); }
  int Position() const { return Control(1031).position(); }
  bool BackUsable() const { return Control(1061).isEnabled(); }
  bool HintShown() const { return Control(1090).isVisible(); }
  bool Watched() { return loop.hasTimer(updating.handle(), app::kWatchdogTimer); }

  testing::ScriptedCard card{serial};
  ClsPortableUpdate startPage{services, *this};
  ClsUpdating updating{services, *this};

  std::vector<int> switches;
  int current = 0;
  int closeRequests = 0;
  std::vector<Box> boxes;
  // Whether the port was open when each box appeared.
  std::vector<bool> portOpenAtBox;
  std::function<int(const Box&)> respond = [](const Box&) { return platform::IDOK; };
  // Resources drawn into the animation area, in order.
  std::vector<int> frames;

 private:
  void messageBoxOpened(const platform::MessageBoxState& box) override;
  void controlChanged(const platform::Form& form, const platform::Control& control,
                      platform::ControlProperty property) override;
  platform::Form* Screen(int number);
};

}  // namespace p42r::update
