// Screen 8, the phone update's start page: it warns the user (AC power, keep
// the card in, no stopping once started) and leads to the progress screen.
#pragma once

#include "app/ScreenView.h"

namespace p42r::update {

class ClsPortableUpdate final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 208;
  ClsPortableUpdate(app::Services& services, app::Navigator& navigator);

 protected:
  void OnScreenActivated() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
};

}  // namespace p42r::update
