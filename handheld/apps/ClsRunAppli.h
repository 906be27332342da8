// Screen 13: the card's resident applications, with start and stop.
#pragma once

#include "app/ScreenView.h"

namespace p42r::apps {

class ClsRunAppli final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 214;
  ClsRunAppli(app::Services& services, app::Navigator& navigator);

 protected:
  void OnInitialUpdate() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
};

}  // namespace p42r::apps
