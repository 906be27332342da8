// A grid as text with ANSI colour codes, the way a terminal would show it:
// for screenshots in the documentation and for looking at a render without
// a terminal. 24-bit codes for true colour, palette codes otherwise.
#pragma once

#include <string>

#include "frontends/render/CellGrid.h"

namespace p42r::frontends::render {

std::string AnsiText(const CellGrid& grid, ColourDepth depth);

}  // namespace p42r::frontends::render
