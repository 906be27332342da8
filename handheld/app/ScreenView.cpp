#include "app/ScreenView.h"

#include "resources/StringTable.h"

namespace p42r::app {

using platform::Message;

std::u16string DocumentTitle() {
  const std::u16string document = resources::LoadString(128);
  return document.substr(0, document.find(u'\n'));
}

ScreenView::ScreenView(Services& services, Navigator& navigator, std::uint16_t templateId, std::string className)
    : Form(services.windows, services.display, templateId, std::move(className)),
      services_(services),
      navigator_(navigator) {}

void ScreenView::InitialUpdate() {
  // The form view's own initial update, the frame's layout and fitting the
  // frame to the form change nothing visible in this model; the screen's
  // own steps follow.
  OnInitialUpdate();
}

bool ScreenView::preTranslateMessage(const Message& message) {
  return message.id == platform::WM_KEYDOWN && message.wParam == platform::VK_RETURN;
}

void ScreenView::onMessage(Message& message) {
  switch (message.id) {
    case WM_SCREEN_ACTIVATED:
      OnScreenActivated();
      return;
    case WM_DEVICE_LINE:
      OnDeviceLine(message);
      return;
    case WM_SCREEN_STEP:
      OnScreenStep(message.wParam);
      return;
    case WM_DEVICE_REMOVED:
      OnDeviceRemoved();
      return;
    default:
      return;
  }
}

std::u16string ScreenView::String(std::uint32_t id) const { return resources::LoadString(id); }

int ScreenView::MessageBox(const std::u16string& text, std::uint32_t style) const {
  return services_.display.messageBox(text, style);
}

void ScreenView::HideControl(std::uint16_t id) const {
  if (platform::Control* target = control(id)) target->show(false);
}

void ScreenView::PostToSelf(platform::MessageId id, std::uint64_t wParam) const {
  services_.windows.post(handle(), id, wParam);
}

}  // namespace p42r::app
