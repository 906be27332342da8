// The two administration screens on the screen stage: the connection-
// destination limit (12) and the ID registration (14), with the card's
// answers framed the way the card frames them.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "admin/AdminScreens.h"
#include "testing/ScreenStage.h"

namespace p42r::admin {

using testing::Box;

// "\r\nline\r\n" for each line: one reply as the card sends it.
std::string Reply(std::initializer_list<const char*> lines);

// A command line as the program writes it (the NUL shown as "\0").
std::string Wire(const std::string& command);

class AdminStage : public testing::ScreenStage {
 public:
  AdminStage();

  // The card's three slots; an empty text is an empty slot (answered "OK" alone).
  void Slots(const std::vector<std::string>& domains);
  // Shows screen 12 and waits until its read of the slots has ended.
  void EnterLimit();
  // Shows screen 14.
  void EnterSecurity();
  // Lets the screen's exchange run until it is idle again.
  void AwaitIdle(const app::ScreenView& screen);

  const platform::Control& LimitControl(std::uint16_t id) const { return *limit.control(id); }
  const platform::Control& SecurityControl(std::uint16_t id) const { return *security.control(id); }
  std::vector<std::u16string> Rows() const;
  // Types into the field of the visible screen, as the user would.
  void Type(std::uint16_t id, const std::u16string& text);
  // A tap on row `row` of the domain list.
  void SelectRow(int row);
  void Key(std::uint32_t virtualKey);
  bool Watched(const app::ScreenView& screen) { return loop.hasTimer(screen.handle(), app::kWatchdogTimer); }
  // Every control the exchange disables is in the given state.
  bool LimitControlsEnabled(bool enabled) const;
  bool SecurityControlsEnabled(bool enabled) const;

  ClsLimitConnect limit{services, *this};
  ClsSecurity security{services, *this};
};

}  // namespace p42r::admin
