#include "admin/ClsSecurity.h"

#include <array>

#include "link/AtVocabulary.h"
#include "link/DeviceLinkError.h"
#include "link/LineText.h"
#include "resources/StringIds.h"

namespace p42r::admin {

namespace at = link::at;

namespace {

using namespace resources::strings::id_registration;

constexpr std::uint16_t kTextField = 1069;
constexpr std::uint16_t kRegisterButton = 1070;
constexpr std::uint16_t kBackButton = 1061;
constexpr std::array<std::uint16_t, 3> kExchangeControls = {kRegisterButton, kBackButton, kTextField};

constexpr std::uint32_t kScreenCode = 20021;
constexpr std::uint32_t kPortStateKind = 20100;
constexpr std::uint32_t kUnexpectedLineCode = 20210;
constexpr std::uint32_t kRegisterQuestion = 31350;

constexpr int kBackScreen = 7;
constexpr platform::Duration kReaderStartWait{100};

// The command is one line on the wire: a line break inside the text would end
// it early and hand the rest to the card as a command of its own.
bool BreaksTheLine(const std::u16string& text) { return text.find_first_of(u"\r\n") != std::u16string::npos; }

}  // namespace

ClsSecurity::ClsSecurity(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsSecurity", kScreenCode), cipher_(services.codePage) {}

void ClsSecurity::OnInitialUpdate() {
  if (platform::Control* field = control(kTextField)) field->detachInputMethod();
}

void ClsSecurity::OnScreenActivated() {
  if (closing_) return;
  busy_ = false;
  ReaderParam = link::ReaderParam{handle(), channel().portHandle()};
  setFocus(kTextField);
}

void ClsSecurity::onCommand(std::uint16_t controlId, std::uint16_t) {
  // A tap queued before the screen became busy starts nothing.
  if (closing_ || busy_) return;
  if (controlId == kRegisterButton) {
    Register();
  } else if (controlId == kBackButton) {
    Back();
  }
}

void ClsSecurity::Register() {
  // The field keeps showing what was typed; what is encrypted and sent is trimmed.
  const platform::Control* field = control(kTextField);
  registrationText_ = link::TrimSpace(field ? field->text() : std::u16string());
  if (registrationText_.empty()) return;
  if (BreaksTheLine(registrationText_)) {
    MessageBox(registrationText_, kNotRegistered, platform::MB_OK);
    return;
  }
  const int answer =
      MessageBox(registrationText_, kRegisterQuestion, platform::MB_OKCANCEL | platform::MB_ICONQUESTION);
  if (answer != platform::IDOK) return;
  const std::u16string hex = cipher_.EncryptToHex(registrationText_);
  channel().StartReader(ReaderParam);
  services().clock.sleepFor(kReaderStartWait);
  if (!WriteCommand(at::CommandLine(at::kMemoryWrite, hex + u"," + registrationText_))) return;
  SetBusy();
  ArmWatchdog(kWatchdogPeriod);
}

void ClsSecurity::OnDeviceLine(platform::Message& message) {
  const auto line = at::TakeLine(message, services().codePage);
  if (!line || closing_) return;
  // A reply with no watchdog running came after its exchange ended: fatal.
  if (!StopWatchdog()) return;
  if (at::Is(*line, at::kOk)) {
    MessageBox(registrationText_, kRegistered, platform::MB_OK | platform::MB_ICONINFORMATION);
    EmptyField();
    ClearBusy();
    return;
  }
  if (at::Is(*line, at::kError)) {
    MessageBox(registrationText_, kNotRegistered, platform::MB_OK);
    ClearBusy();
    return;
  }
  FatalDeviceError(link::ErrorText(kPortStateKind, kUnexpectedLineCode) + screenCode());
}

void ClsSecurity::onTimer(platform::TimerId) {
  if (closing_) return;
  if (!StopWatchdog()) return;
  // No reply in time; the field keeps its text for another try.
  MessageBox(kNoReply, platform::MB_OK);
  ClearBusy();
}

void ClsSecurity::Back() {
  EmptyField();
  navigator().SwitchScreen(kBackScreen);
}

void ClsSecurity::SetBusy() {
  services().display.setWaitCursor(true);
  EnableControls(false);
  busy_ = true;
}

void ClsSecurity::ClearBusy() {
  channel().StopReader(channel().portHandle());
  EnableControls(true);
  services().display.setWaitCursor(false);
  busy_ = false;
}

void ClsSecurity::EnableControls(bool enabled) {
  for (const std::uint16_t id : kExchangeControls) {
    if (platform::Control* target = control(id)) target->enable(enabled);
  }
}

void ClsSecurity::EmptyField() {
  registrationText_.clear();
  if (platform::Control* field = control(kTextField)) field->setText(u"");
}

void ClsSecurity::FatalDeviceError(const std::u16string& text) {
  // The application closes: a line still queued or the watchdog must not
  // open another box on the way.
  if (closing_) return;
  closing_ = true;
  ScreenView::FatalDeviceError(text);
}

}  // namespace p42r::admin
