// Screen 10, the communication state: one "AT@HYBRRSSI?" query per tap on
// "状態取得" asks the card for its radio state. The data line names the
// network kind at once (the label under the picture); the closing "OK" draws
// the reception level as one of five signal pictures. Each query has its own
// reader thread and a 70-second no-reply watchdog; while it runs the screen's
// buttons are disabled and the wait cursor is shown.
//
// A reply that cannot be a reception state ends the application through the
// shared fatal path; "ERROR" and silence only tell the user and return to idle.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/ScreenView.h"
#include "link/SerialChannel.h"

namespace p42r::status {

class ClsDispState final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 210;
  static constexpr platform::Duration kWatchdogPeriod{70000};
  // The level table: reception level 0 to 4 selects the signal picture.
  static constexpr std::array<int, 5> kLevelPictures = {138, 140, 141, 142, 139};
  static constexpr int kNoLevel = -1;

  ClsDispState(app::Services& services, app::Navigator& navigator);

  // State of the query, for tests.
  bool busy() const { return busy_; }
  int savedLevel() const { return savedLevel_; }
  int shownPicture() const { return shownPicture_; }

 protected:
  void OnInitialUpdate() override;
  void OnScreenActivated() override;
  void OnDeviceLine(platform::Message& message) override;
  void onTimer(platform::TimerId id) override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
  void onPaint() override;
  void FatalDeviceError(const std::u16string& text) override;

 private:
  void StartQuery();
  void HandleOk();
  void HandleError();
  // A data line: the network label changes now, the level waits for "OK".
  void HandleDataLine(const std::u16string& line);
  // The level the line carries (kNoLevel when it carries none); a field that
  // is not a single digit runs the fatal path.
  int ParseDataLine(const std::u16string& line);
  void BusyOn();
  void BusyOff();
  void DrawPicture(int resource);
  void FatalReadError();

  bool busy_ = false;
  // A query has been sent and its answer is still to come. Lines that arrive
  // outside a query (after its end, or while its outcome is being shown)
  // belong to no exchange and are dropped.
  bool awaitingReply_ = false;
  // The fatal path ran: the application is closing and nothing more is handled.
  bool closing_ = false;
  int shownPicture_ = 0;
  // Carries the level from the data line to the closing "OK".
  int savedLevel_ = kNoLevel;
  link::ReaderParam ReaderParam;
};

}  // namespace p42r::status
