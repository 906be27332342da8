// Screen 14, the ID registration: writes a short text into the card's
// dedicated memory area. The command carries the text twice, as the hex form
// of its AES-128 encryption and in clear; the card answers "OK" or "ERROR"
// within a 70 s watchdog. While the command is out the screen is busy (its
// controls disabled, the wait cursor shown). User-interface thread only.
#pragma once

#include <cstdint>
#include <string>

#include "access/CUB_D55AESEnc.h"
#include "app/ScreenView.h"
#include "link/SerialChannel.h"

namespace p42r::admin {

class ClsSecurity final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 215;
  static constexpr platform::Duration kWatchdogPeriod{70000};
  ClsSecurity(app::Services& services, app::Navigator& navigator);

  // State of the exchange, for tests.
  bool busy() const { return busy_; }
  const std::u16string& registrationText() const { return registrationText_; }

 protected:
  void OnInitialUpdate() override;
  void OnScreenActivated() override;
  void OnDeviceLine(platform::Message& message) override;
  void onTimer(platform::TimerId id) override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
  void FatalDeviceError(const std::u16string& text) override;

 private:
  void Register();
  void Back();
  void SetBusy();
  void ClearBusy();
  void EnableControls(bool enabled);
  void EmptyField();

  std::u16string registrationText_;
  access::CUB_D55AESEnc cipher_;
  bool busy_ = false;
  // A fatal error is closing the application: nothing more is done.
  bool closing_ = false;
  link::ReaderParam ReaderParam;
};

}  // namespace p42r::admin
