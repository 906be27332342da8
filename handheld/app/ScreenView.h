// The common base of screens 1 to 15: a form view on its dialog template with
// the shared message pre-translation (the Return key never reaches dialog
// processing, so Enter presses no default button), the common first layout,
// and the application's user messages turned into handler calls.
#pragma once

#include <cstdint>
#include <string>

#include "app/AppMessages.h"
#include "app/Services.h"
#include "platform/Form.h"

namespace p42r::app {

// The document string's first field: the frame's title ("ケータイアップデート").
std::u16string DocumentTitle();

class ScreenView : public platform::Form {
 public:
  // `screenCodeId` is the string of the screen code appended to this
  // screen's error texts (0: the screen has none).
  ScreenView(Services& services, Navigator& navigator, std::uint16_t templateId, std::string className,
             std::uint32_t screenCodeId = 0);

  // The first layout, run once when the application creates the screen.
  void InitialUpdate();

 protected:
  bool preTranslateMessage(const platform::Message& message) override;
  void onMessage(platform::Message& message) override;

  // Each screen's own first-layout steps.
  virtual void OnInitialUpdate() {}
  // The application's messages; a screen without a handler ignores them.
  virtual void OnScreenActivated() {}
  virtual void OnDeviceLine(platform::Message& /*message*/) {}
  virtual void OnScreenStep(std::uint64_t /*wParam*/) {}
  virtual void OnDeviceRemoved() {}

  Services& services() const { return services_; }
  link::SerialChannel& channel() const { return services_.channel; }
  const std::u16string& screenCode() const { return screenCode_; }

  // The shared fatal path: stop the reader, show the text, close the port,
  // close the application. A screen with more to stop on the way (the
  // update screen's animation) brings its own.
  virtual void FatalDeviceError(const std::u16string& text);

  // Writes a command line to the card. A write failure runs this screen's
  // fatal path with the raised text and the screen code (the device-missing
  // text travels alone); the result says whether the write succeeded.
  bool WriteCommand(const std::u16string& command);

  // How a screen treats a failed timer call whose last error is 0.
  enum class TimerLeniency { Strict, ZeroErrorIsSuccess };
  // The watchdog (timer 0x7FFF). A failure runs the fatal path with the timer
  // error text and the screen code; the result says whether it succeeded.
  bool ArmWatchdog(platform::Duration period, TimerLeniency leniency = TimerLeniency::Strict);
  bool StopWatchdog(TimerLeniency leniency = TimerLeniency::Strict);
  Navigator& navigator() const { return navigator_; }

  std::u16string String(std::uint32_t id) const;
  int MessageBox(const std::u16string& text, std::uint32_t style) const;
  // A box of string-table entry `textId`, after `subject` (a name, a domain)
  // when there is one; whoever watches the display knows it by that entry.
  int MessageBox(std::uint32_t textId, std::uint32_t style) const;
  int MessageBox(const std::u16string& subject, std::uint32_t textId, std::uint32_t style) const;
  // Shows string-table entry `textId` in a control of this screen, if it
  // exists; whoever reads the screen knows the text by that entry.
  void ShowText(std::uint16_t id, std::uint32_t textId) const;
  // Hides a control of this screen, if it exists.
  void HideControl(std::uint16_t id) const;
  void PostToSelf(platform::MessageId id, std::uint64_t wParam = 0) const;

 private:
  Services& services_;
  Navigator& navigator_;
  std::u16string screenCode_;
};

}  // namespace p42r::app
