#include "status/ClsDispState.h"

#include <string_view>
#include <vector>

#include "link/AtVocabulary.h"
#include "link/DeviceLinkError.h"
#include "resources/StringIds.h"

namespace p42r::status {

namespace at = link::at;

namespace {

using namespace resources::strings::state;

constexpr std::uint16_t kGetState = 1033;
constexpr std::uint16_t kLedSetting = 1034;
constexpr std::uint16_t kBack = 1035;
constexpr std::uint16_t kIcon = 1065;
constexpr std::uint16_t kNetworkLabel = 1088;
constexpr std::uint16_t kPictureArea = 1078;

constexpr int kLedScreen = 11;
constexpr int kGeneralMenu = 5;

constexpr std::uint32_t kScreenCode = 20007;
constexpr std::uint32_t kPortReadKind = 20104;
constexpr std::uint32_t kUnexpectedLineCode = 20210;

constexpr platform::Duration kReaderStartWait{100};

constexpr std::u16string_view kCdma1x = u"CDMA 1X";
constexpr std::u16string_view kCdma1xWin = u"CDMA 1X WIN";

constexpr std::size_t kFieldCount = 3;

}  // namespace

ClsDispState::ClsDispState(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsDispState", kScreenCode) {}

void ClsDispState::OnInitialUpdate() { HideControl(kPictureArea); }

void ClsDispState::OnScreenActivated() {
  HideControl(kIcon);
  if (platform::Control* label = control(kNetworkLabel)) label->setText(u"");
  busy_ = false;
  awaitingReply_ = false;
  ReaderParam = link::ReaderParam{handle(), channel().portHandle()};
  setFocus(kGetState);
  // Switching screens erased the window: the picture of an earlier visit is
  // gone, and a repaint draws none until the next query ends with "OK".
  shownPicture_ = 0;
  if (platform::Control* area = control(kPictureArea)) area->setPicture(platform::Picture{});
}

void ClsDispState::onCommand(std::uint16_t controlId, std::uint16_t) {
  // The buttons are disabled while a query runs; the screen is not left then.
  if (busy_ || closing_) return;
  if (controlId == kGetState) {
    StartQuery();
  } else if (controlId == kLedSetting) {
    navigator().SwitchScreen(kLedScreen);
  } else if (controlId == kBack) {
    navigator().SwitchScreen(kGeneralMenu);
  }
}

void ClsDispState::StartQuery() {
  // A level left over from a query that went unanswered is not this query's.
  savedLevel_ = kNoLevel;
  ReaderParam = link::ReaderParam{handle(), channel().portHandle()};
  channel().StartReader(ReaderParam);
  // The reader is waiting before the card can answer.
  services().clock.sleepFor(kReaderStartWait);
  if (!WriteCommand(at::CommandLine(at::kReceptionState))) return;
  awaitingReply_ = true;
  BusyOn();
  ArmWatchdog(kWatchdogPeriod);
}

void ClsDispState::OnDeviceLine(platform::Message& message) {
  const auto line = at::TakeLine(message, services().codePage);
  if (!line || closing_ || !awaitingReply_) return;
  if (!StopWatchdog()) return;
  if (at::Is(*line, at::kOk)) {
    HandleOk();
  } else if (at::Is(*line, at::kError)) {
    HandleError();
  } else {
    HandleDataLine(*line);
  }
}

void ClsDispState::HandleOk() {
  if (savedLevel_ < 0 || savedLevel_ >= static_cast<int>(kLevelPictures.size())) {
    FatalReadError();
    return;
  }
  awaitingReply_ = false;
  DrawPicture(kLevelPictures[static_cast<std::size_t>(savedLevel_)]);
  shownPicture_ = kLevelPictures[static_cast<std::size_t>(savedLevel_)];
  savedLevel_ = kNoLevel;
  BusyOff();
}

void ClsDispState::HandleError() {
  awaitingReply_ = false;
  HideControl(kIcon);
  // The picture and the label of the last good query stay.
  MessageBox(kNotObtained, platform::MB_OK);
  savedLevel_ = kNoLevel;
  BusyOff();
}

void ClsDispState::HandleDataLine(const std::u16string& line) {
  const int level = ParseDataLine(line);
  if (closing_) return;
  savedLevel_ = level;
  // The exchange waits for "OK"; every data line buys a fresh period.
  ArmWatchdog(kWatchdogPeriod);
}

int ClsDispState::ParseDataLine(const std::u16string& line) {
  // Every "," separates two fields, so an empty field counts (and fails).
  std::vector<std::u16string_view> fields;
  std::u16string_view rest = line;
  for (std::size_t comma = rest.find(u','); comma != std::u16string_view::npos; comma = rest.find(u',')) {
    fields.push_back(rest.substr(0, comma));
    rest.remove_prefix(comma + 1);
  }
  fields.push_back(rest);
  for (const std::u16string_view field : fields) {
    if (field.size() != 1 || field[0] < u'0' || field[0] > u'9') {
      FatalReadError();
      return kNoLevel;
    }
  }
  if (fields.size() != kFieldCount) return kNoLevel;

  const auto digit = [&](std::size_t index) { return static_cast<int>(fields[index][0] - u'0'); };
  platform::Control* label = control(kNetworkLabel);
  const auto showKind = [&](std::u16string_view kind) {
    if (label != nullptr) label->setText(std::u16string(kind));
  };
  switch (digit(2)) {
    case 1:
    case 2:
      showKind(kCdma1x);
      return digit(0);
    case 3:
    case 4:
      showKind(kCdma1xWin);
      return digit(1);
    case 5:
      showKind(u"");
      return digit(0);
    default:
      return kNoLevel;
  }
}

void ClsDispState::onTimer(platform::TimerId id) {
  if (id != app::kWatchdogTimer || closing_) return;
  if (!StopWatchdog()) return;
  // No reply: the port stays open and the application goes on.
  awaitingReply_ = false;
  MessageBox(kNoReply, platform::MB_OK);
  BusyOff();
}

void ClsDispState::BusyOn() {
  busy_ = true;
  services().display.setWaitCursor(true);
  for (const std::uint16_t id : {kGetState, kLedSetting, kBack}) {
    if (platform::Control* button = control(id)) button->enable(false);
  }
}

void ClsDispState::BusyOff() {
  channel().StopReader(channel().portHandle());
  for (const std::uint16_t id : {kGetState, kLedSetting, kBack}) {
    if (platform::Control* button = control(id)) button->enable(true);
  }
  services().display.setWaitCursor(false);
  busy_ = false;
  setFocus(kGetState);
}

void ClsDispState::onPaint() {
  if (shownPicture_ != 0) DrawPicture(shownPicture_);
}

void ClsDispState::DrawPicture(int resource) {
  platform::Control* area = control(kPictureArea);
  if (area == nullptr) return;
  const platform::PictureMode mode =
      services().display.canStretch() ? platform::PictureMode::Stretch : platform::PictureMode::Unscaled;
  // Stretched into the area, or copied unscaled to the window's corner.
  area->setPicture(platform::Picture{resource, mode, 0, 0});
}

void ClsDispState::FatalReadError() {
  FatalDeviceError(link::ErrorText(kPortReadKind, kUnexpectedLineCode) + screenCode());
}

void ClsDispState::FatalDeviceError(const std::u16string& text) {
  if (closing_) return;
  // Lines already on their way and a watchdog falling due while the box is
  // open must not open a second box.
  closing_ = true;
  awaitingReply_ = false;
  ScreenView::FatalDeviceError(text);
}

}  // namespace p42r::status
