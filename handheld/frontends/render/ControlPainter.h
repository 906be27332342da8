// Draws one control of a form into the grid at its place on the terminal:
// buttons, statics with their alignment, edits (masked passwords, a field
// scrolled to its end), radio buttons, group boxes, list views and progress
// bars. Controls that take input leave their region in the hit map; the
// focused edit leaves the caret position.
#pragma once

#include <optional>

#include "frontends/render/CellGrid.h"
#include "frontends/render/HitMap.h"
#include "frontends/render/Layout.h"
#include "platform/Control.h"

namespace p42r::frontends::render {

struct CursorPosition {
  int column = 0;
  int row = 0;
  friend constexpr bool operator==(const CursorPosition&, const CursorPosition&) = default;
};

struct PaintContext {
  CellGrid& grid;
  HitMap& hits;
  const DialogScale& scale;
  std::optional<CursorPosition>& cursor;
};

enum class Focus : std::uint8_t { None, Focused };

void PaintControl(PaintContext& context, const platform::Control& control, Focus focus);

// The password mask: one '*' per character typed.
std::u32string MaskedText(const platform::Control& control);

// List views draw themselves in ListViewPainter.cpp.
void PaintListView(PaintContext& context, const platform::Control& control, const CellRect& area, Focus focus);

}  // namespace p42r::frontends::render
