// The two update screens on the screen stage: the start page (8) and the
// progress screen (9), with the frames the animation drew.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "testing/ScreenStage.h"
#include "update/UpdateScreens.h"

namespace p42r::update {

using testing::Box;

class UpdateStage : public testing::ScreenStage {
 public:
  UpdateStage();

  // The card sends these lines and the progress screen has them all.
  void Send(std::initializer_list<const char*> lines) { ScreenStage::Send(updating.handle(), lines); }
  // Start page, Start, OK: the progress screen runs its update run.
  void StartUpdate();

  const platform::Control& Control(std::uint16_t id) const { return *updating.control(id); }
  const std::u16string& Status() const { return Control(1072).text(); }
  int Position() const { return Control(1031).position(); }
  bool BackUsable() const { return Control(1061).isEnabled(); }
  bool HintShown() const { return Control(1090).isVisible(); }
  bool Watched() { return loop.hasTimer(updating.handle(), app::kWatchdogTimer); }

  ClsPortableUpdate startPage{services, *this};
  ClsUpdating updating{services, *this};
  // Resources drawn into the animation area, in order.
  std::vector<int> frames;

 protected:
  void ControlChanged(const platform::Form& form, const platform::Control& control,
                      platform::ControlProperty property) override;
};

}  // namespace p42r::update
