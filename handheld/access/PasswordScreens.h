// The password screens: authentication (2), lock release (3) and password
// change (4). Their fields take characters directly, without the input method.
#pragma once

#include "app/ScreenView.h"

namespace p42r::access {

class ClsCheckPswd final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 202;
  ClsCheckPswd(app::Services& services, app::Navigator& navigator);

 protected:
  void OnInitialUpdate() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
};

class ClsUnlock final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 203;
  ClsUnlock(app::Services& services, app::Navigator& navigator);

 protected:
  void OnInitialUpdate() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
};

class ClsChangePswd final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 204;
  ClsChangePswd(app::Services& services, app::Navigator& navigator);

 protected:
  void OnInitialUpdate() override;
};

}  // namespace p42r::access
