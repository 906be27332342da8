// Screen 1, the start-up screen: shows the version and the start-up picture,
// checks the system, finds the card's port and identifies the card.
#pragma once

#include "app/ScreenView.h"

namespace p42r::start {

class ClsStart final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 201;
  ClsStart(app::Services& services, app::Navigator& navigator);

 protected:
  void OnInitialUpdate() override;
};

}  // namespace p42r::start
