// Device status: the communication state (10) and the LED display setting (11).
#pragma once

#include "app/ScreenView.h"

namespace p42r::status {

class ClsDispState final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 210;
  ClsDispState(app::Services& services, app::Navigator& navigator);

 protected:
  void OnInitialUpdate() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
};

class ClsLEDDispChange final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 211;
  ClsLEDDispChange(app::Services& services, app::Navigator& navigator);

 protected:
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
};

}  // namespace p42r::status
