#include "update/UpdateScreens.h"

namespace p42r::update {

namespace {
constexpr std::uint16_t kStartButton = 1027;
constexpr std::uint16_t kStartPageBack = 1028;
constexpr std::uint16_t kAbortButton = 1030;
constexpr std::uint16_t kUpdatingBack = 1061;
constexpr std::uint16_t kIcon = 1062;
constexpr std::uint16_t kAnimationArea = 1079;
constexpr std::uint32_t kPowerWarning = 30205;
}  // namespace

ClsPortableUpdate::ClsPortableUpdate(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsPortableUpdate") {}

void ClsPortableUpdate::OnScreenActivated() {
  services().display.setTitle(app::DocumentTitle());
  setFocus(kStartButton);
}

void ClsPortableUpdate::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == kStartPageBack) {
    navigator().SwitchScreen(15);
  } else if (controlId == kStartButton) {
    if (MessageBox(String(kPowerWarning), platform::MB_OKCANCEL | platform::MB_ICONEXCLAMATION) == platform::IDOK) {
      navigator().SwitchScreen(9);
    }
  }
}

ClsUpdating::ClsUpdating(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsUpdating") {}

void ClsUpdating::OnInitialUpdate() {
  HideControl(kAbortButton);
  HideControl(kAnimationArea);
  HideControl(kIcon);
}

void ClsUpdating::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == kUpdatingBack) navigator().SwitchScreen(8);
}

}  // namespace p42r::update
