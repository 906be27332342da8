// Whether the terminal's type, from TERM, is one the interface can draw on:
// known to terminfo and able to place the cursor. Asked before the program
// starts, so a terminal it cannot use ends it with a hint, not a crash.
#pragma once

#include <optional>
#include <string>

namespace p42r::frontends::tui {

// Why the terminal type does not do, if it does not.
std::optional<std::string> UnusableTerminalType(int outputFd);

}  // namespace p42r::frontends::tui
