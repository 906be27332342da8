// Device administration: the connection-destination limit (12) and the ID
// registration (14).
#pragma once

#include "app/ScreenView.h"

namespace p42r::admin {

class ClsLimitConnect final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 212;
  ClsLimitConnect(app::Services& services, app::Navigator& navigator);

 protected:
  void OnInitialUpdate() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
};

class ClsSecurity final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 215;
  ClsSecurity(app::Services& services, app::Navigator& navigator);

 protected:
  void OnInitialUpdate() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
};

}  // namespace p42r::admin
