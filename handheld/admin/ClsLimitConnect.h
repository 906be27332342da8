// Screen 12, the connection-destination limit: the card's three domain slots
// shown as three rows (row i is slot i + 1, an empty row an empty slot). On
// entry it reads the three slots; the administrator can then register a
// domain into an empty slot, change or empty a used one, and ask the card how
// its last dial-up connection ended.
//
// One exchange is pending at a time. While it runs the screen is busy: every
// control disabled, the wait cursor shown, the reader running and a 70 s
// watchdog armed; the card's lines come in as WM_DEVICE_LINE and go to the
// handler of the pending operation. Everything here runs on the
// user-interface thread.
#pragma once

#include <cstdint>
#include <string>

#include "app/ScreenView.h"
#include "link/SerialChannel.h"

namespace p42r::admin {

class ClsLimitConnect final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 212;
  static constexpr platform::Duration kWatchdogPeriod{70000};
  static constexpr int kSlotCount = 3;

  enum class Operation : int { None = -1, ReadSlot = 1, Add = 2, Edit = 3, Delete = 4, ConnectionResult = 5 };

  ClsLimitConnect(app::Services& services, app::Navigator& navigator);

  // State of the exchange, for tests.
  bool busy() const { return busy_; }
  Operation pendingOperation() const { return pending_; }
  int targetRow() const { return targetRow_; }
  unsigned slotsRead() const { return slotsRead_; }
  const std::u16string& heldSlotLine() const { return heldSlotLine_; }
  int connectionResult() const { return connectionResult_; }
  const std::u16string& domainText() const { return domainText_; }

 protected:
  void OnInitialUpdate() override;
  void OnScreenActivated() override;
  void OnDeviceLine(platform::Message& message) override;
  void OnScreenStep(std::uint64_t slotCount) override;
  void onTimer(platform::TimerId id) override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
  void onNotify(std::uint16_t controlId, std::int64_t code, std::uint32_t virtualKey) override;
  void FatalDeviceError(const std::u16string& text) override;

 private:
  enum class Change : std::uint8_t { Add, Edit, Delete };

  // The slot read, one slot per WM_SCREEN_STEP.
  void RequestNextSlot(std::uint64_t slotCount);
  void FinishRead();
  void HandleSlotLine(const std::u16string& line);

  // Add, edit and delete.
  void Add();
  void Edit();
  void Delete();
  // The common checks before a change; false stops it (after its message, if any).
  bool PreCheck(Change change);
  // The domain-name rules; false stops it after the message.
  bool DomainAcceptable();
  bool Confirm(const std::u16string& question);
  void HandleChangeReply(const std::u16string& line);

  // The connection result.
  void RequestConnectionResult();
  void HandleResultLine(const std::u16string& line);

  // Starts the reader for one exchange and waits for it to be ready.
  void StartReader();
  // Sends one command of operation `operation` (reader started, busy,
  // watchdog armed); false when the application is closing instead.
  bool Send(const std::u16string& command, Operation operation);
  bool Write(const std::u16string& command);
  bool Arm() { return ArmWatchdog(kWatchdogPeriod, TimerLeniency::ZeroErrorIsSuccess); }
  bool Disarm() { return StopWatchdog(TimerLeniency::ZeroErrorIsSuccess); }
  void EnterBusy();
  void EnterIdle();
  void EnableControls(bool enabled);
  // Back to the administrator menu, the list emptied.
  void Leave();
  void PortReadError();

  void ShowDomainText(std::u16string text);
  std::u16string RowText(int row) const;
  void SetRowText(int row, std::u16string text);
  platform::Control* List() const;

  std::u16string domainText_;
  bool busy_ = false;
  Operation pending_ = Operation::None;
  int targetRow_ = -1;
  // The slots requested so far in the current read of the list.
  unsigned slotsRead_ = 0;
  // The data line of the slot being read, until its "OK".
  std::u16string heldSlotLine_;
  // The digit of a connection result until its "OK"; -1 otherwise.
  int connectionResult_ = -1;
  // A command is out and its reply is not complete yet; lines that come
  // when none is belong to an exchange that has ended and are dropped.
  bool exchangeOpen_ = false;
  // A fatal error is closing the application: nothing more is done.
  bool closing_ = false;
  link::ReaderParam ReaderParam;
};

}  // namespace p42r::admin
