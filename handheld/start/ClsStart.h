// Screen 1, the start-up screen: it shows the version and the start-up
// picture, checks the system, finds the card's port among the active drivers
// and tries each candidate: open it, switch the echo off with "ATE0", ask the
// maker with "AT+GMI" and accept the first port whose answer names the card's
// maker. A card that is still writing new software at start is waited for.
// Every way the check can fail ends the application with a message.
#pragma once

#include <string>
#include <vector>

#include "app/ScreenView.h"
#include "link/SerialChannel.h"

namespace p42r::start {

class ClsStart final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 201;
  ClsStart(app::Services& services, app::Navigator& navigator);

  // State of the sequence, for tests.
  int startStep() const { return StartStep; }
  const std::vector<std::u16string>& portCandidates() const { return PortCandidates; }

 protected:
  void OnInitialUpdate() override;
  void OnScreenActivated() override;
  void OnScreenStep(std::uint64_t wParam) override;
  void OnDeviceLine(platform::Message& message) override;
  void onTimer(platform::TimerId id) override;
  void onPaint() override;

 private:
  void TryCurrentCandidate();
  void HandleEchoOffAnswer(const std::u16string& line);
  void HandleMakerAnswer(const std::u16string& line);
  void HandleUpdateWaitLine(const std::u16string& line);
  void FinishUpdateWait();
  void CandidateFailed();
  void Reset();
  void Advance();
  bool AtEnd() const { return current_ >= PortCandidates.size(); }
  void ArmStepWatchdog();
  void NoDeviceAndClose();
  std::u16string PendingCommand() const;
  // Writes the pending command; false when the write raised an error.
  bool WritePending();
  void DrawStartupPicture();

  std::vector<std::u16string> PortCandidates;
  std::size_t current_ = 0;
  std::vector<std::u16string> MatchedPorts;
  int StartStep = 0;
  int retryCounter_ = 0;
  std::u16string portMarker_;
  std::u16string echoOffMarker_;
  std::u16string makerMarker_;
  std::u16string makerAnswer_;
  bool finished_ = false;
  std::u16string previousLine_;
  link::ReaderParam ReaderParam;
};

}  // namespace p42r::start
