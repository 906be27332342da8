// Where things sit on the terminal. The top row is the frame's title bar,
// the bottom row the command bar with the keys, and the rows between show
// the form, laid out from its dialog units.
//
// The scale fills the rows available and keeps the form about as wide as it
// is high on the screen (a cell is twice as high as it is wide), but not
// narrower than half a column per dialog unit while the terminal has the
// room, so that the screens' texts fit on a terminal of 80 x 24. Bigger
// terminals give bigger forms; a form wider than the terminal is squeezed.
#pragma once

#include "frontends/render/CellGrid.h"
#include "resources/DialogTemplate.h"

namespace p42r::frontends::render {

// The smallest terminal every screen fits on.
inline constexpr int kMinimumColumns = 80;
inline constexpr int kMinimumRows = 24;

// The handheld's pixels per dialog unit, for bitmaps copied at their own
// size and for list columns given in pixels.
inline constexpr int kPixelsPerDialogUnit = 2;

struct ScreenAreas {
  CellRect title;
  CellRect body;
  CellRect commandBar;
};
ScreenAreas SplitScreen(int columns, int rows);

class DialogScale {
 public:
  // Fits a form of `widthUnits` x `heightUnits` dialog units into `area`, centred.
  DialogScale(const CellRect& area, int widthUnits, int heightUnits);

  // The form's own rectangle on the terminal.
  const CellRect& form() const { return form_; }
  // A rectangle in the form's dialog units, on the terminal. Position and
  // size are rounded each by itself, so controls of one size look alike
  // wherever they sit; nothing is less than one cell.
  CellRect map(const resources::DialogRect& rect) const;
  // A rectangle in the handheld's pixels relative to the form's top-left corner.
  CellRect mapPixels(int x, int y, int width, int height) const;
  // Handheld pixels across, as terminal columns.
  int pixelColumns(int pixels) const;

  double columnsPerUnit() const { return columnsPerUnit_; }
  double rowsPerUnit() const { return rowsPerUnit_; }

 private:
  int column(double units) const;
  int row(double units) const;

  double columnsPerUnit_;
  double rowsPerUnit_;
  CellRect form_;
};

}  // namespace p42r::frontends::render
