// The about box ("PocketPC Version 1.0"), shown modally by the framework's
// About command. Its controls follow template 200 when the display is wider
// than it is high.
#pragma once

#include "app/Services.h"
#include "platform/Form.h"

namespace p42r::app {

class AboutDialog final : public platform::Form {
 public:
  static constexpr std::uint16_t kPortraitTemplate = 100;
  static constexpr std::uint16_t kLandscapeTemplate = 200;

  AboutDialog(Services& services, bool landscape);

  int DoModal();

 protected:
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
};

}  // namespace p42r::app
