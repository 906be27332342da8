// The two device status screens on the screen stage: the communication state
// (10) and the LED display setting (11), with every picture drawn into the
// signal picture area.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "status/StatusScreens.h"
#include "testing/ScreenStage.h"

namespace p42r::status {

using testing::Box;

class StatusStage : public testing::ScreenStage {
 public:
  StatusStage();

  // The card sends these lines and the screen has them all.
  void SendToState(std::initializer_list<const char*> lines) { Send(state.handle(), lines); }
  void SendToLed(std::initializer_list<const char*> lines) { Send(led.handle(), lines); }
  // A line that reaches the screen although no reader of this exchange posted it.
  void DeliverStray(platform::WindowHandle window, const std::string& line);

  const platform::Control& StateControl(std::uint16_t id) const { return *state.control(id); }
  const platform::Control& LedControl(std::uint16_t id) const { return *led.control(id); }
  const std::u16string& NetworkLabel() const { return StateControl(1088).text(); }
  int Picture() const { return StateControl(1078).picture().resource; }
  bool Watched(const platform::Form& screen) const { return loop.hasTimer(screen.handle(), app::kWatchdogTimer); }
  // The reader was told to stop: the port no longer signals received characters.
  bool ReaderStopped() const { return serial.eventMask() == 0; }

  ClsDispState state{services, *this};
  ClsLEDDispChange led{services, *this};
  // Resources drawn into the picture area, in order (0: the area was cleared).
  std::vector<int> drawn;

 protected:
  void ControlChanged(const platform::Form& form, const platform::Control& control,
                      platform::ControlProperty property) override;
};

}  // namespace p42r::status
