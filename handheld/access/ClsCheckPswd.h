// Screen 2: password authentication. Compares the typed password with the
// stored one (the common password while none is stored), counts consecutive
// failures for the whole run of the application and locks the password on
// the tenth, which leads to the lock release screen. A correct password leads
// to the password change while the first-boot flag is "1". A lock recorded in
// the management file holds across runs: while it is there the screen leads
// straight to the lock release and compares nothing.
#pragma once

#include <optional>

#include "access/PasswordScreen.h"

namespace p42r::access {

class ClsCheckPswd final : public PasswordScreen {
 public:
  static constexpr std::uint16_t kTemplate = 202;
  static constexpr int kLockThreshold = 10;

  ClsCheckPswd(app::Services& services, app::Navigator& navigator);

  // Where a correct password leads when no password change is due; with
  // nothing (the default) the screen stays.
  void SetScreenAfterAuthentication(std::optional<int> screen) { screenAfterAuthentication_ = screen; }

  // Failures since the start or since the last lock.
  int failureCount() const { return failureCount_; }

 protected:
  void OnInitialUpdate() override;
  void OnScreenActivated() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;

 private:
  void Authenticate();
  // The management file records the lock (STATUS "LOCK").
  bool IsLocked() const;

  int failureCount_ = 0;
  std::optional<int> screenAfterAuthentication_;
};

}  // namespace p42r::access
