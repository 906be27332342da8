// Paints a bitmap into cells with half blocks: each cell shows two pixels,
// the upper one as the colour of "▀" and the lower one as its background.
// Each of those pixels is the average of the bitmap area it covers, so thin
// lines survive being made smaller. Parts of the source rectangle that lie
// outside the bitmap are transparent: the cells there keep what they had.
#pragma once

#include "frontends/render/BmpDecoder.h"
#include "frontends/render/CellGrid.h"

namespace p42r::frontends::render {

// A rectangle of bitmap pixels; it may reach past the bitmap's edges.
struct SourceRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// Stretches `source` of `image` over the cells of `destination` (clipped by the grid's clip).
void PaintPicture(CellGrid& grid, const CellRect& destination, const Image& image, const SourceRect& source);

}  // namespace p42r::frontends::render
