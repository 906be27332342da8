// Screen 9, the phone update's progress screen. Each time it is shown it runs
// one update run: it starts the card's update with "AT@KUPSTART", follows the
// card's progress notices with the status text and the bar, guards the run
// with a ten-minute watchdog that every notice (and the card's keep-alive)
// re-arms, and shows how the run ended. Back is usable only once it has.
//
// All of it happens here, on the user-interface thread, one message at a
// time; the reader thread only posts the card's lines and the animation
// thread only asks for its frames to be drawn.
#pragma once

#include <string>

#include "app/ScreenView.h"
#include "link/SerialChannel.h"
#include "update/UpdateAnimation.h"

namespace p42r::update {

class ClsUpdating final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 209;
  static constexpr platform::Duration kWatchdogPeriod{600000};
  ClsUpdating(app::Services& services, app::Navigator& navigator);

  // State of the run, for tests.
  bool abortNotRequested() const { return abortNotRequested_; }
  bool versionCheck() const { return versionCheck_; }
  bool runEnded() const { return runEnded_; }
  const std::u16string& pendingError() const { return pendingError_; }
  const UpdateAnimation& animation() const { return animation_; }

 protected:
  // The abort button, the animation placeholder and the icon stay hidden.
  void OnInitialUpdate() override;
  void OnScreenActivated() override;
  void OnDeviceLine(platform::Message& message) override;
  void OnDeviceRemoved() override;
  void onTimer(platform::TimerId id) override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
  void onPaint() override;
  void onDestroy() override;
  void FatalDeviceError(const std::u16string& text) override;

 private:
  void Start();
  void Abort();
  void HandleFailureReason(const std::u16string& line);
  void HandleProgressNotice(const std::u16string& line);
  // Ends the run's display: animation stopped, Back usable, reader stopped.
  void EndRun();

  bool Arm() { return ArmWatchdog(kWatchdogPeriod, TimerLeniency::ZeroErrorIsSuccess); }
  bool Disarm() { return StopWatchdog(TimerLeniency::ZeroErrorIsSuccess); }

  // Shows string-table entry `textId` in the status box; 0 empties it.
  void ShowStatus(std::uint32_t textId);
  void SetProgress(int position);
  // The running/ended switch: Back is usable (and focused) exactly when the
  // run has ended, and the "do not close" hint is shown while it runs.
  void ShowEnded(bool ended);
  void StopReader();

  bool abortNotRequested_ = true;
  bool versionCheck_ = false;
  bool runEnded_ = false;
  std::u16string pendingError_;
  bool destroyed_ = false;
  // A fatal error or the card's removal is closing the application.
  bool closing_ = false;
  link::ReaderParam ReaderParam;
  UpdateAnimation animation_;
};

}  // namespace p42r::update
