#include "status/StatusScreens.h"

namespace p42r::status {

ClsDispState::ClsDispState(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsDispState") {}

void ClsDispState::OnInitialUpdate() { HideControl(1078); }

void ClsDispState::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == 1034) navigator().SwitchScreen(11);
  if (controlId == 1035) navigator().SwitchScreen(5);
}

ClsLEDDispChange::ClsLEDDispChange(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsLEDDispChange") {}

void ClsLEDDispChange::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == 1039) navigator().SwitchScreen(10);
}

}  // namespace p42r::status
