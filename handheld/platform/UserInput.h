// What a person (or a script) does to the program: taps, typing, keys,
// answers to message boxes, closing the window. Each call checks that the
// input is possible right now and turns it into the same messages a tap on
// the handheld would give. User-interface thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Display.h"
#include "platform/Window.h"

namespace p42r::platform {

class Control;
class Form;

// Why an input was refused; nothing changed.
using InputError = std::optional<std::string>;

class UserInput {
 public:
  UserInput(Display& display, WindowSystem& windows) : display_(display), windows_(windows) {}

  // A tap on a button or radio button (radio buttons get checked).
  InputError click(std::uint16_t controlId);
  // Types `text` over the field's content, as a person selecting it and typing would;
  // characters past the field's limit are not taken.
  InputError type(std::uint16_t controlId, const std::u16string& text);
  // Checks a radio button (the others of its group lose the check).
  InputError check(std::uint16_t controlId);
  // A tap on row `row` of a list view.
  InputError select(std::uint16_t controlId, int row);
  // A key pressed while `controlId` has the focus.
  InputError key(std::uint16_t controlId, std::uint32_t virtualKey);
  // Moves the focus, as Tab or a tap on a field would.
  InputError focus(std::uint16_t controlId);
  InputError answer(int result);
  // The close request, as closing the window would.
  void close();
  // A command to the frame window, such as the framework's About command.
  InputError frameCommand(std::uint16_t commandId);

 private:
  // The control of the form that takes input, if it can take input now.
  std::optional<std::string> usable(std::uint16_t controlId, Form*& form, Control*& control) const;
  void checkRadio(Form& form, Control& radio);

  Display& display_;
  WindowSystem& windows_;
};

}  // namespace p42r::platform
