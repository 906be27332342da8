#include "app/MenuScreen.h"


namespace p42r::app {


MenuScreen::MenuScreen(Services& services, Navigator& navigator, Layout layout)
    : ScreenView(services, navigator, layout.templateId, layout.className),
      layout_(std::move(layout)),
      screenCode_(String(layout_.screenCodeId)) {}

void MenuScreen::OnScreenActivated() {
  if (layout_.setsTitle) services().display.setTitle(DocumentTitle());
  if (layout_.focusButton != 0) setFocus(layout_.focusButton);
}

void MenuScreen::onCommand(std::uint16_t controlId, std::uint16_t) {
  for (const MenuButton& button : layout_.buttons) {
    if (button.id != controlId) continue;
    if (button.targetScreen == kCloseRequest) {
      navigator().PostClose();
    } else {
      navigator().SwitchScreen(button.targetScreen);
    }
    return;
  }
}

}  // namespace p42r::app
