// Screen 11, the LED display setting: "決定" sends "AT@LEDSET=1" or
// "AT@LEDSET=0" for the checked radio button and waits, under a 70-second
// watchdog, for the card's "OK", which is confirmed to the user before the
// screen returns to the communication state. The screen always opens with
// "LED表示ON" checked; it does not ask the card for its current setting.
//
// Any other answer, "ERROR" included, ends the application through the
// shared fatal path; silence only tells the user and returns to idle.
#pragma once

#include <cstdint>
#include <string>

#include "app/ScreenView.h"
#include "link/SerialChannel.h"

namespace p42r::status {

class ClsLEDDispChange final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 211;
  static constexpr platform::Duration kWatchdogPeriod{70000};

  ClsLEDDispChange(app::Services& services, app::Navigator& navigator);

  // State of the exchange, for tests.
  bool busy() const { return busy_; }

 protected:
  void OnScreenActivated() override;
  void OnDeviceLine(platform::Message& message) override;
  void onTimer(platform::TimerId id) override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
  void FatalDeviceError(const std::u16string& text) override;

 private:
  void SendSetting();
  void BusyOn();
  void BusyOff();
  void EnableControls(bool enabled);

  bool busy_ = false;
  // The setting has been sent and the card's answer is still to come. Lines
  // outside that (after the answer, or while the outcome is being shown)
  // belong to no exchange and are dropped.
  bool awaitingReply_ = false;
  // The fatal path ran: the application is closing and nothing more is handled.
  bool closing_ = false;
  link::ReaderParam ReaderParam;
};

}  // namespace p42r::status
