// Screen 4: setting a new individual password, typed twice. Confirming with
// an acceptable password, and also cancelling, clears the lock status and the
// first-boot flag; only confirming changes the password.
#pragma once

#include <optional>

#include "access/PasswordScreen.h"

namespace p42r::access {

class ClsChangePswd final : public PasswordScreen {
 public:
  static constexpr std::uint16_t kTemplate = 204;
  ClsChangePswd(app::Services& services, app::Navigator& navigator);

  // Where the user goes after a stored change or a cancel; with nothing (the
  // default) the screen stays.
  void SetScreenAfterChange(std::optional<int> screen) { screenAfterChange_ = screen; }

 protected:
  void OnInitialUpdate() override;
  void OnScreenActivated() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;

 private:
  void Confirm();
  void Cancel();
  // A rejected entry: its message, both fields emptied, the focus in the first.
  void Reject(std::uint32_t messageId);
  void Leave();

  std::optional<int> screenAfterChange_;
};

}  // namespace p42r::access
