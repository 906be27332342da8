// Screen 3: release of the password lock. The built-in unlock code clears
// the stored password (the common password applies again until a new one is
// set) and returns to the authentication screen; wrong codes are refused
// without limit.
#pragma once

#include "access/PasswordScreen.h"

namespace p42r::access {

class ClsUnlock final : public PasswordScreen {
 public:
  static constexpr std::uint16_t kTemplate = 203;
  ClsUnlock(app::Services& services, app::Navigator& navigator);

 protected:
  void OnInitialUpdate() override;
  void OnScreenActivated() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;

 private:
  void ReleaseLock();
};

}  // namespace p42r::access
