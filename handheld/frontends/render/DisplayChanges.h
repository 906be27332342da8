// A display observer for frontends that show the whole display: every kind
// of change comes down to one call, displayChanged(). A frontend overrides
// the few changes it does more for and calls displayChanged() there too.
#pragma once

#include "platform/Display.h"

namespace p42r::frontends::render {

class DisplayChanges : public platform::DisplayObserver {
 public:
  void titleChanged(const std::u16string&) override { displayChanged(); }
  void activeFormChanged(const platform::Form*) override { displayChanged(); }
  void formVisibilityChanged(const platform::Form&) override { displayChanged(); }
  void controlChanged(const platform::Form&, const platform::Control&, platform::ControlProperty) override {
    displayChanged();
  }
  void focusChanged(const platform::Form&) override { displayChanged(); }
  void messageBoxOpened(const platform::MessageBoxState&) override { displayChanged(); }
  void messageBoxClosed(const platform::MessageBoxState&) override { displayChanged(); }
  void dialogOpened(const platform::Form&) override { displayChanged(); }
  void dialogClosed(const platform::Form&) override { displayChanged(); }
  void waitCursorChanged(bool) override { displayChanged(); }
  void closeWarningChanged(const std::u16string&) override { displayChanged(); }

 protected:
  ~DisplayChanges() = default;
  virtual void displayChanged() = 0;
};

}  // namespace p42r::frontends::render
