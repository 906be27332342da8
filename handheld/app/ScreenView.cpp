#include "app/ScreenView.h"

#include "link/DeviceLinkError.h"
#include "link/SerialChannel.h"
#include "platform/LastError.h"
#include "resources/StringTable.h"

namespace p42r::app {

namespace {
constexpr std::uint32_t kTimerErrorKind = 20106;
constexpr std::uint32_t kTimerArmCode = 20400;
constexpr std::uint32_t kTimerKillCode = 20401;
}  // namespace

using platform::Message;

std::u16string DocumentTitle() {
  const std::u16string document = resources::LoadString(128);
  return document.substr(0, document.find(u'\n'));
}

ScreenView::ScreenView(Services& services, Navigator& navigator, std::uint16_t templateId, std::string className,
                       std::uint32_t screenCodeId)
    : Form(services.windows, services.display, templateId, std::move(className)),
      services_(services),
      navigator_(navigator),
      screenCode_(screenCodeId == 0 ? std::u16string() : resources::LoadString(screenCodeId)) {}

void ScreenView::FatalDeviceError(const std::u16string& text) {
  channel().StopReader(channel().portHandle());
  MessageBox(text, platform::MB_OK);
  if (channel().isOpen()) channel().Close();
  navigator_.PostClose();
}

bool ScreenView::WriteCommand(const std::u16string& command) {
  try {
    channel().Write(command);
  } catch (const link::DeviceLinkError& error) {
    FatalDeviceError(error.withScreenCode(screenCode_));
    return false;
  }
  return true;
}

bool ScreenView::ArmWatchdog(platform::Duration period, TimerLeniency leniency) {
  if (services_.timers.setTimer(handle(), kWatchdogTimer, period)) return true;
  if (leniency == TimerLeniency::ZeroErrorIsSuccess && platform::GetLastError() == platform::ERROR_SUCCESS) return true;
  FatalDeviceError(link::ErrorText(kTimerErrorKind, kTimerArmCode) + screenCode_);
  return false;
}

bool ScreenView::StopWatchdog(TimerLeniency leniency) {
  if (services_.timers.killTimer(handle(), kWatchdogTimer)) return true;
  if (leniency == TimerLeniency::ZeroErrorIsSuccess && platform::GetLastError() == platform::ERROR_SUCCESS) return true;
  FatalDeviceError(link::ErrorText(kTimerErrorKind, kTimerKillCode) + screenCode_);
  return false;
}

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

int ScreenView::MessageBox(std::uint32_t textId, std::uint32_t style) const {
  return MessageBox(std::u16string(), textId, style);
}

int ScreenView::MessageBox(const std::u16string& subject, std::uint32_t textId, std::uint32_t style) const {
  return services_.display.messageBox(subject + String(textId), style, textId);
}

void ScreenView::ShowText(std::uint16_t id, std::uint32_t textId) const {
  if (platform::Control* target = control(id)) target->setText(String(textId), textId);
}

void ScreenView::HideControl(std::uint16_t id) const {
  if (platform::Control* target = control(id)) target->show(false);
}

void ScreenView::PostToSelf(platform::MessageId id, std::uint64_t wParam) const {
  services_.windows.post(handle(), id, wParam);
}

}  // namespace p42r::app
