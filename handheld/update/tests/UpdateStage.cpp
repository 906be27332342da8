#include "update/tests/UpdateStage.h"

#include <gtest/gtest.h>

namespace p42r::update {

UpdateStage::UpdateStage() {
  Add(8, startPage);
  Add(9, updating);
}

void UpdateStage::StartUpdate() {
  SwitchScreen(8);
  RunUntilIdle();
  Click(1027);
  ASSERT_EQ(current, 9);
  ASSERT_TRUE(WaitFor([&] { return !frames.empty(); })) << "the animation did not start";
}

void UpdateStage::ControlChanged(const platform::Form& form, const platform::Control& control,
                                 platform::ControlProperty property) {
  if (&form == &updating && control.id() == 1079 && property == platform::ControlProperty::Picture) {
    frames.push_back(control.picture().resource);
  }
}

}  // namespace p42r::update
