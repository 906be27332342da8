// Draws an open message box as a modal window over the screen: the caption
// bar, the icon, the text wrapped to the box, and its buttons, one of them
// selected. The box covers the hit map: only its buttons can be clicked.
#pragma once

#include "frontends/render/CellGrid.h"
#include "frontends/render/HitMap.h"
#include "platform/Display.h"

namespace p42r::frontends::render {

// `selected`: the index of the highlighted button (0 OK, 1 Cancel).
void PaintMessageBox(CellGrid& grid, HitMap& hits, const CellRect& area, const platform::MessageBoxState& box,
                     int selected);

// The answers a box offers, in the order its buttons show.
std::vector<int> MessageBoxAnswers(const platform::MessageBoxState& box);

}  // namespace p42r::frontends::render
