#include "update/ClsUpdating.h"

#include "link/AtVocabulary.h"
#include "link/DeviceLinkError.h"
#include "resources/StringIds.h"

namespace p42r::update {

namespace at = link::at;

namespace {

using namespace resources::strings::updating;

constexpr std::uint16_t kAbortButton = 1030;
constexpr std::uint16_t kProgressBar = 1031;
constexpr std::uint16_t kBack = 1061;
constexpr std::uint16_t kIcon = 1062;
constexpr std::uint16_t kStatusBox = 1072;
constexpr std::uint16_t kAnimationArea = 1079;
constexpr std::uint16_t kHintLine = 1090;

constexpr std::uint32_t kScreenCode = 20006;
constexpr std::uint32_t kAbortRefused = 30204;
constexpr std::uint32_t kAbortQuestion = 30250;
constexpr std::uint32_t kAborted = 30251;
constexpr std::uint32_t kDoNotClose = 30255;
constexpr std::uint32_t kFirstNoticeText = 32000;  // notice k shows 32000 + k
constexpr std::uint32_t kPortStateKind = 20100;
constexpr std::uint32_t kUnexpectedLineCode = 20210;

constexpr int kProgressEnd = 100;
constexpr int kBackScreen = 8;
constexpr platform::Duration kReaderStartWait{100};

constexpr int NoticePosition(int k) { return (k + 1) * kProgressEnd / at::kNoticeCount; }

}  // namespace

ClsUpdating::ClsUpdating(app::Services& services, app::Navigator& navigator)
    : ScreenView(services, navigator, kTemplate, "ClsUpdating", kScreenCode),
      animation_(services.clock, services.display) {}

void ClsUpdating::OnInitialUpdate() {
  HideControl(kAbortButton);
  HideControl(kAnimationArea);
  HideControl(kIcon);
}

void ClsUpdating::OnScreenActivated() { Start(); }

void ClsUpdating::Start() {
  if (platform::Control* hint = control(kHintLine)) hint->setText(String(kDoNotClose));
  ShowEnded(false);
  abortNotRequested_ = true;
  runEnded_ = false;
  // No notice of this run has come yet, so it is not in its version check.
  versionCheck_ = false;
  // A reason still pending from a run that ended by the watchdog belongs to
  // that run; this run's first line must not be taken for it.
  pendingError_.clear();
  StopReader();
  ReaderParam = link::ReaderParam{handle(), channel().portHandle()};
  channel().StartReader(ReaderParam);
  // The reader is waiting before the card can answer.
  services().clock.sleepFor(kReaderStartWait);
  if (!WriteCommand(at::CommandLine(at::kUpdateStart))) return;
  if (!Arm()) return;
  ShowStatus(0);
  if (platform::Control* bar = control(kProgressBar)) {
    bar->setRange(0, kProgressEnd);
    bar->setPosition(0);
  }
  animation_.Start(handle(), kAnimationArea);
}

void ClsUpdating::OnDeviceLine(platform::Message& message) {
  const auto line = at::TakeLine(message, services().codePage);
  if (!line || runEnded_ || closing_) return;

  if (pendingError_ == at::Token(at::kError)) {
    if (!Disarm()) return;
    pendingError_.clear();
    HandleFailureReason(*line);
    EndRun();
    return;
  }

  if (at::Is(*line, at::kError)) {
    if (abortNotRequested_) {
      // The reason follows on the next line.
      pendingError_ = *line;
      Arm();
    } else {
      // The card refused to stop: the update goes on.
      abortNotRequested_ = true;
      if (Arm()) MessageBox(kAbortRefused, platform::MB_OK | platform::MB_ICONEXCLAMATION);
    }
    return;
  }

  if (at::Is(*line, at::kOk)) {
    if (!Disarm()) return;
    std::uint32_t status = 0;
    if (abortNotRequested_) {
      SetProgress(kProgressEnd);
      status = kCompleted;
    }
    runEnded_ = true;
    EndRun();
    ShowStatus(status);
    return;
  }

  HandleProgressNotice(*line);
}

void ClsUpdating::HandleProgressNotice(const std::u16string& line) {
  if (at::Is(line, at::kKeepAlive)) {
    Arm();
    return;
  }
  for (int k = 0; k < at::kNoticeCount; ++k) {
    if (!at::Is(line, at::kFirstNotice + static_cast<std::uint32_t>(k))) continue;
    versionCheck_ = k == 0;
    ShowEnded(false);
    ShowStatus(kFirstNoticeText + static_cast<std::uint32_t>(k));
    SetProgress(NoticePosition(k));
    Arm();
    return;
  }
  // Anything else is not the card's progress and does not count as a sign of life.
}

void ClsUpdating::HandleFailureReason(const std::u16string& line) {
  for (int k = 0; k < at::kReasonCount; ++k) {
    const std::uint32_t reason = at::kFirstReason + static_cast<std::uint32_t>(k);
    if (!at::Is(line, reason)) continue;
    // "FUPSTOP" after "ERROR" means the update did finish.
    if (reason == at::kUpdateFinished) SetProgress(kProgressEnd);
    ShowStatus(kFirstReasonText + static_cast<std::uint32_t>(k));
    runEnded_ = true;
    return;
  }
  if (at::Is(line, at::kNotNeeded)) {
    ShowStatus(kNotNeededText);
    SetProgress(kProgressEnd);
    runEnded_ = true;
    return;
  }
  FatalDeviceError(link::ErrorText(kPortStateKind, kUnexpectedLineCode) + screenCode());
}

void ClsUpdating::EndRun() {
  versionCheck_ = false;
  animation_.Stop();
  ShowEnded(true);
  StopReader();
}

void ClsUpdating::onTimer(platform::TimerId id) {
  if (id != app::kWatchdogTimer || closing_) return;
  if (!Disarm()) return;
  // No reply for ten minutes. The port stays open; the bar stays where it was.
  // The run is over, so closing the application no longer stops the update.
  versionCheck_ = false;
  ShowStatus(kNoReply);
  animation_.Stop();
  ShowEnded(true);
  StopReader();
}

void ClsUpdating::onCommand(std::uint16_t controlId, std::uint16_t) {
  if (controlId == kBack) {
    navigator().SwitchScreen(kBackScreen);
  } else if (controlId == kAbortButton) {
    Abort();
  }
}

void ClsUpdating::Abort() {
  try {
    channel().Write(at::CommandLine(at::kUpdateEnd));
  } catch (const link::DeviceLinkError& error) {
    FatalDeviceError(error.text() + screenCode());
    return;
  }
  abortNotRequested_ = false;
  // The card's answer may arrive while the question is open; the box's loop
  // delivers it.
  const int answer = MessageBox(kAbortQuestion, platform::MB_OKCANCEL | platform::MB_ICONQUESTION);
  // The application may have closed while the question was open.
  if (destroyed_) return;
  if (answer != platform::IDOK) {
    Start();
    return;
  }
  // The card refused to stop meanwhile (30204 was shown): the update runs on
  // and is not reported as stopped.
  if (abortNotRequested_) return;
  ShowStatus(kAborted);
  if (platform::Control* abort = control(kAbortButton)) abort->enable(false);
  // Once the card has confirmed the stop the run is over: no watchdog would
  // have anything left to guard.
  if (!runEnded_) Arm();
}

void ClsUpdating::OnDeviceRemoved() {
  if (closing_) return;
  closing_ = true;
  services().display.setCloseWarning({});
  StopReader();
  animation_.Stop();
  if (channel().isOpen()) channel().Close();
  MessageBox(kNoReply, platform::MB_OK | platform::MB_ICONEXCLAMATION);
  navigator().PostClose();
}

void ClsUpdating::FatalDeviceError(const std::u16string& text) {
  if (closing_) return;
  // The application closes: what the card still says, a timer or a second
  // failure met while the box is open must not open another box.
  closing_ = true;
  services().display.setCloseWarning({});
  StopReader();
  animation_.Stop();
  if (channel().isOpen()) channel().Close();
  MessageBox(text, platform::MB_OK | platform::MB_ICONEXCLAMATION);
  navigator().PostClose();
}

void ClsUpdating::onPaint() {
  // While the animation runs its own drawing is relied on.
  if (animation_.running() || animation_.lastFrame() == 0) return;
  if (platform::Control* area = control(kAnimationArea)) area->setPicture(animation_.PictureOf(animation_.lastFrame()));
}

void ClsUpdating::onDestroy() {
  destroyed_ = true;
  animation_.Stop();
  StopReader();
  // Closing during the version check stops the update; in every later phase
  // the card is left to finish it.
  if (!versionCheck_) return;
  try {
    channel().Write(at::CommandLine(at::kUpdateEnd));
  } catch (const link::DeviceLinkError&) {
    // The application is closing; there is nobody left to tell.
  }
}

void ClsUpdating::ShowStatus(std::uint32_t textId) {
  if (textId != 0) {
    ShowText(kStatusBox, textId);
  } else if (platform::Control* status = control(kStatusBox)) {
    status->setText(u"");
  }
}

void ClsUpdating::SetProgress(int position) {
  if (platform::Control* bar = control(kProgressBar)) bar->setPosition(position);
}

void ClsUpdating::ShowEnded(bool ended) {
  if (platform::Control* back = control(kBack)) back->enable(ended);
  if (ended) setFocus(kBack);
  if (platform::Control* hint = control(kHintLine)) hint->show(!ended);
  // While the run goes on, a person closing the application is asked first.
  services().display.setCloseWarning(ended ? std::u16string() : String(kDoNotClose));
}

void ClsUpdating::StopReader() { channel().StopReader(channel().portHandle()); }

}  // namespace p42r::update
