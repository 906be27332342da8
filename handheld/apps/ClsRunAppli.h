// Screen 13: the card's resident applications (at most six), which of them
// runs, and starting or terminating the selected one.
//
// Everything shown comes from the card through the "AT&OP=" family: one
// status query gives every application's code and state, one query per
// application its display name, and two more forms start and terminate one.
// A 70-second watchdog guards every step. The screen keeps one reader for
// its whole visit, started on activation: it is held suspended while the
// screen is idle and resumed for each command, so nothing the card says
// between two exchanges is taken for a reply.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/ScreenView.h"
#include "link/SerialChannel.h"

namespace p42r::apps {

class ClsRunAppli final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 214;
  static constexpr platform::Duration kWatchdogPeriod{70000};
  static constexpr std::size_t kRecordCount = 6;
  // Longer display names keep their last this many characters.
  static constexpr std::size_t kNameLimit = 123;

  // One application as the card reported it, in the card's order.
  struct ApplicationRecord {
    std::u16string name;
    std::u16string code;
    int state = 0;     // 1: running; any other value: not running
    int listRow = -1;  // the row that shows it, -1: not shown
  };

  enum class Step : int { Idle = -1, LaunchSent = 1, TerminateSent = 2, StatusQuery = 4, NameQuery = 5 };
  enum class Action : int { Launch = 0, Terminate = 1, None = 2 };

  ClsRunAppli(app::Services& services, app::Navigator& navigator);

  // State of the screen, for tests.
  Step step() const { return step_; }
  bool busy() const { return busy_; }
  bool readerSuspended() const { return readerSuspended_; }
  const std::array<ApplicationRecord, kRecordCount>& records() const { return records_; }

 protected:
  void OnInitialUpdate() override;
  void OnScreenActivated() override;
  void OnScreenStep(std::uint64_t wParam) override;
  void OnDeviceLine(platform::Message& message) override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
  void onTimer(platform::TimerId id) override;
  void onDestroy() override;
  void FatalDeviceError(const std::u16string& text) override;

 private:
  void Open();
  void SendStatusQuery();
  void SendNameQuery();
  // Writes "AT&OP=" + parameters; false when the write failed (the fatal path ran).
  bool WriteOperation(std::u16string_view parameters);

  // Replies, by step.
  void HandleStatusLine(const std::u16string& line);
  void HandleNameLine(const std::u16string& line);
  void HandleLaunchReply(const std::u16string& line);
  void HandleTerminateReply(const std::u16string& line);
  // The refusal of a status or name query: the screen gives up and leaves.
  void StatusUnavailable();
  // The card refused the action: a fresh status tells what it left behind.
  void ActionRefused();

  void ParseStatusList(std::u16string_view line);
  void BuildList();
  void ReportLastAction();
  // Launch or terminate the application of the selected row.
  void Act(Action action);

  void BusyOn();
  void BusyOff();
  // What busy off does besides suspending the reader.
  void ShowIdle();
  void SuspendReader() { readerSuspended_ = true; }
  void ResumeReader() { readerSuspended_ = false; }
  void StopReader();
  // The result of the last action: the application's name, then string `textId`.
  void ShowResult(const std::u16string& name, std::uint32_t textId, std::uint32_t icon);
  void SetStateCell(int row, bool running);
  // The listed record other than `index` that runs too, if any.
  bool AnotherListedRecordRuns(std::size_t index) const;

  bool Arm() { return ArmWatchdog(kWatchdogPeriod); }

  std::array<ApplicationRecord, kRecordCount> records_;
  Step step_ = Step::Idle;
  bool firstBuild_ = false;
  std::size_t nameIndex_ = 0;
  // Whether the pending name query got its name line.
  bool nameAnswered_ = false;
  int selectedRow_ = -1;
  std::size_t actedRecord_ = 0;
  std::u16string actedCode_;
  Action action_ = Action::None;
  bool failed_ = false;
  int expectedState_ = -1;
  bool busy_ = false;
  bool readerSuspended_ = true;
  // A fatal error is closing the application.
  bool closing_ = false;
  link::ReaderParam ReaderParam;
};

}  // namespace p42r::apps
