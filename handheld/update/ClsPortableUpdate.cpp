#include "update/ClsPortableUpdate.h"

namespace p42r::update {

namespace {
constexpr std::uint16_t kStartButton = 1027;
constexpr std::uint16_t kBack = 1028;
constexpr std::uint32_t kPowerWarning = 30205;
constexpr int kConsumerMenu = 15;
constexpr int kProgressScreen = 9;
}  // namespace

ClsPortableUpdate::ClsPortableUpdate(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsPortableUpdate") {}

void ClsPortableUpdate::OnScreenActivated() {
  services().display.setTitle(app::DocumentTitle());
  setFocus(kStartButton);
}

void ClsPortableUpdate::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == kBack) {
    navigator().SwitchScreen(kConsumerMenu);
  } else if (controlId == kStartButton) {
    // Nothing reaches the card before the user has confirmed.
    if (MessageBox(kPowerWarning, platform::MB_OKCANCEL | platform::MB_ICONEXCLAMATION) == platform::IDOK) {
      navigator().SwitchScreen(kProgressScreen);
    }
  }
}

}  // namespace p42r::update
