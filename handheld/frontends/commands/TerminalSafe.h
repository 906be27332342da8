// Text from the card on its way to a terminal: control characters (C0, DEL
// and the C1 range, which terminals also obey) are shown in caret notation,
// as `cat -v` shows them, so a name holding an escape sequence prints as
// letters instead of moving the cursor or clearing the screen. Line feeds
// and tabs stay: the commands' own text is laid out with them.
#pragma once

#include <string>
#include <string_view>

namespace p42r::frontends {

// `text` is UTF-8.
std::string TerminalSafe(std::string_view text);

}  // namespace p42r::frontends
