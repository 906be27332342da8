// Turns what a person does at the terminal into the program's input, the
// same calls a tap on the handheld gives (UserInput). Tab, Shift-Tab and
// the arrows move the focus in the form's tab order (in a list, Up and Down
// move its selection instead); Space presses the focused button, checks the
// radio button or taps the list's row; typing goes into the focused field;
// Return goes the key's way, through the screen's pre-translation. While a
// message box is open only its buttons answer: the arrows and Tab choose
// one, Return or Space presses it, Escape answers Cancel (OK in a box with
// OK alone). Mouse presses act on what the hit map finds under the cell.
// User-interface thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "frontends/render/HitMap.h"
#include "frontends/tui/KeyEvent.h"
#include "platform/Display.h"
#include "platform/UserInput.h"

namespace p42r::frontends::tui {

class InputRouter {
 public:
  InputRouter(platform::Display& display, platform::UserInput& input) : display_(display), input_(input) {}

  // `hits`: what the screen showed when the event came.
  void handle(const KeyEvent& event, const render::HitMap& hits);

  // The highlighted button of the open message box (0 is its first button).
  int selectedButton() const { return selectedButton_; }
  // A new box opens with its default button highlighted.
  void messageBoxOpened(const platform::MessageBoxState& box) { selectedButton_ = box.defaultButton; }

  // The controls the focus visits, in tab order.
  static std::vector<std::uint16_t> FocusOrder(const platform::Form& form);

 private:
  void handleMessageBox(const KeyEvent& event, const render::HitMap& hits);
  void handleForm(platform::Form& form, const KeyEvent& event, const render::HitMap& hits);
  void moveFocus(platform::Form& form, int step);
  void press(platform::Form& form, std::uint16_t id);
  void typeInto(platform::Control& field, std::u16string text);
  void click(const render::Hit& hit);

  platform::Display& display_;
  platform::UserInput& input_;
  int selectedButton_ = 0;
};

}  // namespace p42r::frontends::tui
