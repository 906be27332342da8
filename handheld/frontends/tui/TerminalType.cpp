#include "frontends/tui/TerminalType.h"

#include <cstdlib>

// term.h defines macros with everyday names (lines, columns), so it is kept
// to this file.
#include <curses.h>
#include <term.h>

namespace p42r::frontends::tui {

std::optional<std::string> UnusableTerminalType(int outputFd) {
  const char* type = std::getenv("TERM");
  if (type == nullptr || *type == '\0') return std::string("TERM is not set");
  TERMINAL* const before = cur_term;
  int status = 0;
  if (setupterm(type, outputFd, &status) != OK) {
    return std::string("the terminal type '") + type + "' is unknown";
  }
  const char* move = tigetstr(const_cast<char*>("cup"));
  const bool canMove = move != nullptr && move != reinterpret_cast<char*>(-1);
  // Only asked about here: the terminal is taken over later, by newterm.
  del_curterm(set_curterm(before));
  if (!canMove) return std::string("the terminal type '") + type + "' cannot place the cursor";
  return std::nullopt;
}

}  // namespace p42r::frontends::tui
