// A menu: a prompt, function buttons that switch screens and an exit button
// that closes the application. On activation it makes sure the port to the
// card is open, because the screens behind it expect one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/ScreenView.h"

namespace p42r::app {

struct MenuButton {
  std::uint16_t id;
  int targetScreen;  // kCloseRequest: the exit button
};
inline constexpr int kCloseRequest = -1;

class MenuScreen : public ScreenView {
 public:
  struct Layout {
    std::uint16_t templateId;
    std::string className;
    std::uint32_t screenCodeId;
    std::vector<MenuButton> buttons;
    std::uint16_t focusButton;  // 0: the menu does not move the focus
    bool setsTitle;
  };

  MenuScreen(Services& services, Navigator& navigator, Layout layout);

 protected:
  void OnScreenActivated() override;
  void onCommand(std::uint16_t controlId, std::uint16_t code) override;

 private:
  Layout layout_;
};

}  // namespace p42r::app
