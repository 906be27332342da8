#include "app/MenuScreen.h"

#include "link/SerialChannel.h"


namespace p42r::app {


MenuScreen::MenuScreen(Services& services, Navigator& navigator, Layout layout)
    : ScreenView(services, navigator, layout.templateId, layout.className, layout.screenCodeId),
      layout_(std::move(layout)) {}

void MenuScreen::OnScreenActivated() {
  if (layout_.setsTitle) services().display.setTitle(DocumentTitle());
  // The screens behind a menu expect an open port.
  if (!channel().isOpen()) {
    try {
      channel().Open(services().state.portName + u":");
    } catch (const link::DeviceLinkError& error) {
      MessageBox(error.withScreenCode(screenCode()), platform::MB_OK);
      if (channel().isOpen()) channel().Close();
      navigator().PostClose();
    }
  }
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
