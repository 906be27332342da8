#include "start/ClsStart.h"

#include "link/AtVocabulary.h"
#include "link/PortDiscovery.h"
#include "resources/StringIds.h"

namespace p42r::start {

namespace at = link::at;
using platform::Duration;

namespace {

constexpr std::uint16_t kStatusText = 1089;
constexpr std::uint16_t kPicturePlaceholder = 1077;
constexpr int kStartupPicture = 143;
constexpr int kPictureOrigin = 13;
constexpr std::uint32_t kScreenCode = 20000;
constexpr std::uint32_t kUnsupportedSystem = 30000;
constexpr std::uint32_t kNoDevice = 30001;
constexpr std::uint32_t kReasonTextOffset = 10000;  // reason k (22101..) selects text k + 10000
constexpr std::uint32_t kPortStateKind = 20100;
constexpr std::uint32_t kUnexpectedLineCode = 20210;
constexpr Duration kIdentifyWatchdog{5000};
constexpr Duration kUpdateWaitWatchdog{600000};
constexpr Duration kReaderStartWait{200};
constexpr Duration kShowResultWait{2000};
constexpr std::u16string_view kOk = u"OK";

enum Step { kEchoOffPending = 0, kMakerPending = 1, kUpdateWait = 2 };

}  // namespace

ClsStart::ClsStart(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsStart", kScreenCode) {}

void ClsStart::OnInitialUpdate() { HideControl(kPicturePlaceholder); }

void ClsStart::onPaint() { DrawStartupPicture(); }

void ClsStart::DrawStartupPicture() {
  platform::Control* placeholder = control(kPicturePlaceholder);
  if (placeholder == nullptr) return;
  platform::Picture picture{kStartupPicture, platform::PictureMode::Stretch, kPictureOrigin, kPictureOrigin};
  if (!services().display.canStretch()) picture.mode = platform::PictureMode::Unscaled;
  placeholder->setPicture(picture);
}

void ClsStart::OnScreenActivated() {
  platform::DiagnosticLog& log = services().log;
  log.line(u"Start");
  // The authority check grants every user.
  log.line(u"AuthorityCheckFinish");
  if (!link::CheckOSVersion(services().deviceRoot.osVersion(), log)) {
    MessageBox(kUnsupportedSystem, platform::MB_OK);
    navigator().PostClose();
    return;
  }
  log.line(u"OSCheckFinish");
  PortCandidates.clear();
  MatchedPorts.clear();
  if (!link::FindModulePort(services().registry, log, PortCandidates)) {
    NoDeviceAndClose();
    return;
  }
  current_ = 0;
  log.line(u"COMPortGet");
  for (const auto& candidate : PortCandidates) log.raw(candidate + u"\r\n");
  StartStep = kEchoOffPending;
  PostToSelf(app::WM_SCREEN_STEP);
}

void ClsStart::NoDeviceAndClose() {
  services().state.noCardFound = true;
  MessageBox(kNoDevice, platform::MB_OK);
  navigator().PostClose();
}

void ClsStart::OnScreenStep(std::uint64_t) { TryCurrentCandidate(); }

void ClsStart::TryCurrentCandidate() {
  if (AtEnd()) {
    NoDeviceAndClose();
    return;
  }
  services().log.line(u"Before Open");
  if (portMarker_.empty() && echoOffMarker_.empty() && makerMarker_.empty()) {
    try {
      channel().Open(PortCandidates[current_] + u":");
    } catch (const link::DeviceLinkError&) {
      // Not shown; the next candidate is tried. A port that opened and then
      // failed stays open, so the next candidates meet the already-open error.
      Advance();
      StartStep = kEchoOffPending;
      PostToSelf(app::WM_SCREEN_STEP);
      return;
    }
    services().log.line(u"After Open");
    portMarker_ = PortCandidates[current_];
    ReaderParam = link::ReaderParam{handle(), channel().portHandle()};
    channel().StartReader(ReaderParam);
    services().clock.sleepFor(kReaderStartWait);
  }
  if (!WritePending()) {
    echoOffMarker_ = std::u16string(kOk);
    makerMarker_ = std::u16string(kOk);
    Reset();
    Advance();
    StartStep = kEchoOffPending;
    retryCounter_ = 0;
    PostToSelf(app::WM_SCREEN_STEP);
    return;
  }
  ArmStepWatchdog();
}

std::u16string ClsStart::PendingCommand() const {
  if (StartStep == kEchoOffPending) return at::CommandLine(at::kEchoOff);
  if (StartStep == kMakerPending) return at::CommandLine(at::kGetManufacturer);
  return {};
}

bool ClsStart::WritePending() {
  const std::u16string command = PendingCommand();
  if (command.empty()) return true;
  try {
    channel().Write(command);
  } catch (const link::DeviceLinkError&) {
    return false;
  }
  return true;
}

void ClsStart::ArmStepWatchdog() {
  ArmWatchdog(StartStep == kUpdateWait ? kUpdateWaitWatchdog : kIdentifyWatchdog);
}

void ClsStart::Reset() {
  if (portMarker_.empty() || echoOffMarker_.empty() || makerMarker_.empty()) return;
  portMarker_.clear();
  echoOffMarker_.clear();
  makerMarker_.clear();
  channel().StopReader(channel().portHandle());
  channel().Close();
}

void ClsStart::Advance() {
  if (current_ < PortCandidates.size()) ++current_;
}

void ClsStart::OnDeviceLine(platform::Message& message) {
  const auto line = at::TakeLine(message, services().codePage);
  if (!line) return;
  if (finished_) return;
  // Every candidate has been given up (the no-device box is on its way or
  // open): a late answer, from a reader that a failed candidate left
  // running, has no port left to identify.
  if (AtEnd()) return;
  if (!StopWatchdog(TimerLeniency::ZeroErrorIsSuccess)) return;
  switch (StartStep) {
    case kEchoOffPending:
      echoOffMarker_ = std::u16string(kOk);
      HandleEchoOffAnswer(*line);
      return;
    case kMakerPending:
      makerMarker_ = std::u16string(kOk);
      HandleMakerAnswer(*line);
      return;
    default:
      HandleUpdateWaitLine(*line);
      return;
  }
}

void ClsStart::HandleEchoOffAnswer(const std::u16string& line) {
  if (at::HasWritingFragment(line)) {
    ShowText(kStatusText, resources::strings::updating::kInProgress);
    StartStep = kUpdateWait;
  }
  if (!at::Is(line, at::kOk)) {
    ArmStepWatchdog();
    return;
  }
  StartStep = kMakerPending;
  retryCounter_ = 0;
  PostToSelf(app::WM_SCREEN_STEP);
}

void ClsStart::CandidateFailed() {
  Reset();
  Advance();
  makerAnswer_.clear();
  StartStep = kEchoOffPending;
  retryCounter_ = 0;
  PostToSelf(app::WM_SCREEN_STEP);
}

void ClsStart::HandleMakerAnswer(const std::u16string& line) {
  if (!at::Is(line, at::kOk)) {
    if (makerAnswer_.empty()) {
      makerAnswer_ = line;
      ArmStepWatchdog();
    } else {
      // A second data line: this is not the card.
      Advance();
      makerAnswer_.clear();
      StartStep = kEchoOffPending;
      retryCounter_ = 0;
      Reset();
      PostToSelf(app::WM_SCREEN_STEP);
    }
    return;
  }
  if (makerAnswer_.find(at::Token(at::kMaker)) == std::u16string::npos) {
    CandidateFailed();
    return;
  }
  MatchedPorts.push_back(PortCandidates[current_]);
  if (MatchedPorts.size() != 1) {
    CandidateFailed();
    return;
  }
  services().state.portName = MatchedPorts.front();
  // The card is handed over: a line that still reaches this screen belongs
  // to nobody here, and must not close the port the next screen uses.
  finished_ = true;
  channel().StopReader(channel().portHandle());
  navigator().SwitchScreen(services().state.screenAfterStart);
}

void ClsStart::FinishUpdateWait() {
  finished_ = true;
  services().clock.sleepFor(kShowResultWait);
  if (!AtEnd()) MatchedPorts.push_back(PortCandidates[current_]);
  if (!MatchedPorts.empty()) services().state.portName = MatchedPorts.front();
  channel().StopReader(channel().portHandle());
  navigator().SwitchScreen(services().state.screenAfterStart);
}

void ClsStart::HandleUpdateWaitLine(const std::u16string& line) {
  if (at::Is(line, at::kOk)) {
    ShowText(kStatusText, resources::strings::updating::kCompleted);
    FinishUpdateWait();
    return;
  }
  if (at::Is(previousLine_, at::kError)) {
    previousLine_.clear();
    for (int k = 0; k < at::kReasonCount; ++k) {
      const std::uint32_t reason = at::kFirstReason + static_cast<std::uint32_t>(k);
      if (!at::Is(line, reason)) continue;
      if (reason == at::kUpdateFinished) {
        ShowText(kStatusText, reason + kReasonTextOffset);
        FinishUpdateWait();
      } else {
        finished_ = true;
        FatalDeviceError(String(reason + kReasonTextOffset));
      }
      return;
    }
    finished_ = true;
    FatalDeviceError(link::ErrorText(kPortStateKind, kUnexpectedLineCode) + screenCode());
    return;
  }
  if (at::Is(line, at::kError)) previousLine_ = line;
  ArmWatchdog(kUpdateWaitWatchdog);
}

void ClsStart::onTimer(platform::TimerId) {
  platform::DiagnosticLog& log = services().log;
  log.line(u"OnTimer");
  if (!StopWatchdog(TimerLeniency::ZeroErrorIsSuccess)) {
    log.line(u"OnTimer ETimer");
    retryCounter_ = 0;
    return;
  }
  if (retryCounter_ == 1) {
    retryCounter_ = 0;
    log.line(u"OnTimer normal_end");
    makerAnswer_.clear();
    echoOffMarker_ = std::u16string(kOk);
    makerMarker_ = std::u16string(kOk);
    Reset();
    Advance();
    StartStep = kEchoOffPending;
    PostToSelf(app::WM_SCREEN_STEP);
    return;
  }
  if (StartStep == kUpdateWait) {
    ArmStepWatchdog();
    return;
  }
  retryCounter_ = 1;
  const bool written = WritePending();
  if (written) log.line(u"OnTimer AT_2");
  if (!written) {
    retryCounter_ = 0;
    echoOffMarker_ = std::u16string(kOk);
    makerMarker_ = std::u16string(kOk);
    Reset();
    Advance();
    StartStep = kEchoOffPending;
    PostToSelf(app::WM_SCREEN_STEP);
    log.line(u"OnTimer AT_2 catch");
    return;
  }
  ArmStepWatchdog();
}

}  // namespace p42r::start
