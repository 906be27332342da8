// What a person did at the terminal, after the terminal's own codes are
// decoded: a key, a typed character, a mouse button at a cell.
#pragma once

#include <cstdint>

namespace p42r::frontends::tui {

struct KeyEvent {
  enum class Kind : std::uint8_t {
    Character,  // `character` was typed
    Tab,
    BackTab,    // Shift-Tab
    Up,
    Down,
    Left,
    Right,
    Enter,
    Space,
    Escape,
    Backspace,
    ClearField,  // Ctrl-U: empties the field
    Redraw,      // Ctrl-L: paints the whole screen again
    Quit,        // Ctrl-Q or F10: the close request
    MousePress,  // the first button at (column, row)
    WheelUp,
    WheelDown,
  };
  Kind kind = Kind::Character;
  char32_t character = 0;
  int column = 0;
  int row = 0;
};

}  // namespace p42r::frontends::tui
