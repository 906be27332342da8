// The phone update's two screens: the start page (8) with the AC-power
// warning, and the progress screen (9) that runs the update.
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

class ClsUpdating final : public app::ScreenView {
 public:
  static constexpr std::uint16_t kTemplate = 209;
  ClsUpdating(app::Services& services, app::Navigator& navigator);

 protected:
  // The abort button, the animation placeholder and the icon stay hidden.
  void OnInitialUpdate() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;
};

}  // namespace p42r::update
