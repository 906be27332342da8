#include "app/CMainFrame.h"

#include "app/AppMessages.h"
#include "platform/DeviceNotice.h"

namespace p42r::app {

using platform::Message;

CMainFrame::CMainFrame(Services& services, FrameOwner& owner)
    : Window(services.windows), services_(services), owner_(owner) {
  services_.display.setFrameWindow(handle());
}

CMainFrame::~CMainFrame() { services_.display.setFrameWindow(0); }

int CMainFrame::OnCreate(bool commandBarFails) {
  if (commandBarFails) return -1;
  // The shell's bottom bar; no menu goes into it.
  commandBar_ = std::make_unique<platform::Window>(services_.windows);
  commandBar_->setChildId(kCommandBarId);
  commandBar_->show(true);
  return 0;
}

void CMainFrame::SetActiveView(platform::Form* view) {
  activeView_ = view;
  services_.display.setActiveForm(view);
}

void CMainFrame::SetWindowText(const std::u16string& title) { services_.display.setTitle(title); }

void CMainFrame::handleMessage(Message& message) {
  switch (message.id) {
    case platform::WM_CLOSE:
      owner_.OnFrameClose();
      return;
    case platform::WM_COMMAND:
      if (platform::CommandId(message.wParam) == ID_APP_ABOUT) owner_.OnAppAbout();
      return;
    case platform::WM_DEVICECHANGE:
      OnDeviceChange(message.wParam, message.payload.get());
      return;
    default:
      return;
  }
}

void CMainFrame::OnDeviceChange(std::uint64_t event, const platform::Payload* payload) {
  const auto* notice = dynamic_cast<const platform::DeviceNotice*>(payload);
  if (event != platform::DBT_DEVICEREMOVECOMPLETE || notice == nullptr ||
      notice->deviceType != platform::DBT_DEVTYP_PORT) {
    return;
  }
  // Before a port was identified no removal concerns the program.
  if (services_.state.portName.empty() || activeView_ == nullptr) return;
  if (notice->name == services_.state.portName + u":") {
    services_.windows.post(activeView_->handle(), WM_DEVICE_REMOVED);
  }
}

}  // namespace p42r::app
