#include "status/tests/StatusStage.h"

#include <gtest/gtest.h>

namespace p42r::status {

StatusStage::StatusStage() {
  Add(10, state);
  Add(11, led);
}

void StatusStage::DeliverStray(platform::WindowHandle window, const std::string& line) {
  windows.post(window, app::WM_DEVICE_LINE, 0, 0, std::make_unique<link::DeviceLineBytes>(line));
  RunUntilIdle();
}


void StatusStage::ControlChanged(const platform::Form& form, const platform::Control& control,
                                 platform::ControlProperty property) {
  if (&form == &state && control.id() == 1078 && property == platform::ControlProperty::Picture) {
    drawn.push_back(control.picture().resource);
  }
}

}  // namespace p42r::status
