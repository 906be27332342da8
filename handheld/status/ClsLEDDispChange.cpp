#include "status/ClsLEDDispChange.h"

#include "link/AtVocabulary.h"
#include "link/DeviceLinkError.h"
#include "resources/StringIds.h"

namespace p42r::status {

namespace at = link::at;

namespace {

using namespace resources::strings::led_setting;

constexpr std::uint16_t kLedOn = 1036;
constexpr std::uint16_t kLedOff = 1037;
constexpr std::uint16_t kDecide = 1038;
constexpr std::uint16_t kBack = 1039;

constexpr int kStateScreen = 10;

constexpr std::uint32_t kScreenCode = 20008;
constexpr std::uint32_t kPortReadKind = 20104;
constexpr std::uint32_t kUnexpectedLineCode = 20210;

constexpr platform::Duration kReaderStartWait{100};

}  // namespace

ClsLEDDispChange::ClsLEDDispChange(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsLEDDispChange", kScreenCode) {}

void ClsLEDDispChange::OnScreenActivated() {
  busy_ = false;
  awaitingReply_ = false;
  ReaderParam = link::ReaderParam{handle(), channel().portHandle()};
  if (platform::Control* on = control(kLedOn)) on->setChecked(true);
  if (platform::Control* off = control(kLedOff)) off->setChecked(false);
  setFocus(kDecide);
}

void ClsLEDDispChange::onCommand(std::uint16_t controlId, std::uint16_t) {
  // The controls are disabled while the setting is on its way.
  if (busy_ || closing_) return;
  if (controlId == kDecide) {
    SendSetting();
  } else if (controlId == kBack) {
    navigator().SwitchScreen(kStateScreen);
  }
}

void ClsLEDDispChange::SendSetting() {
  ReaderParam = link::ReaderParam{handle(), channel().portHandle()};
  channel().StartReader(ReaderParam);
  // The reader is waiting before the card can answer.
  services().clock.sleepFor(kReaderStartWait);
  const platform::Control* on = control(kLedOn);
  const platform::Control* off = control(kLedOff);
  if (on != nullptr && on->isChecked()) {
    if (!WriteCommand(at::CommandLine(at::kLedSet, u"1"))) return;
  } else if (off != nullptr && off->isChecked()) {
    if (!WriteCommand(at::CommandLine(at::kLedSet, u"0"))) return;
  }
  awaitingReply_ = true;
  BusyOn();
  ArmWatchdog(kWatchdogPeriod);
}

void ClsLEDDispChange::OnDeviceLine(platform::Message& message) {
  const auto line = at::TakeLine(message, services().codePage);
  if (!line || closing_ || !awaitingReply_) return;
  if (!StopWatchdog()) return;
  if (!at::Is(*line, at::kOk)) {
    // The card refused the setting or answered something else.
    FatalDeviceError(link::ErrorText(kPortReadKind, kUnexpectedLineCode) + screenCode());
    return;
  }
  awaitingReply_ = false;
  BusyOff();
  MessageBox(kChanged, platform::MB_ICONINFORMATION);
  navigator().SwitchScreen(kStateScreen);
}

void ClsLEDDispChange::onTimer(platform::TimerId id) {
  if (id != app::kWatchdogTimer || closing_) return;
  if (!StopWatchdog()) return;
  // The screen stays open and the setting can be sent again.
  awaitingReply_ = false;
  MessageBox(kNoReply, platform::MB_OK);
  BusyOff();
}

void ClsLEDDispChange::BusyOn() {
  busy_ = true;
  services().display.setWaitCursor(true);
  EnableControls(false);
}

void ClsLEDDispChange::BusyOff() {
  channel().StopReader(channel().portHandle());
  EnableControls(true);
  services().display.setWaitCursor(false);
  busy_ = false;
}

void ClsLEDDispChange::EnableControls(bool enabled) {
  for (const std::uint16_t id : {kDecide, kBack, kLedOn, kLedOff}) {
    if (platform::Control* target = control(id)) target->enable(enabled);
  }
}

void ClsLEDDispChange::FatalDeviceError(const std::u16string& text) {
  if (closing_) return;
  // Lines already on their way and a watchdog falling due while the box is
  // open must not open a second box.
  closing_ = true;
  awaitingReply_ = false;
  ScreenView::FatalDeviceError(text);
}

}  // namespace p42r::status
