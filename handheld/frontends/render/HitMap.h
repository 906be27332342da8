// What lies under each cell for a mouse click: a control, a row of a list,
// or a button of the open message box. Filled while a picture of the display
// is drawn, so that clicks meet exactly what the person sees. When something
// modal is drawn over the form, the form's regions are dropped: a click
// beside a message box reaches nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "frontends/render/CellGrid.h"

namespace p42r::frontends::render {

struct Hit {
  enum class Kind : std::uint8_t { Control, ListRow, MessageBoxButton };
  Kind kind = Kind::Control;
  CellRect area;
  std::uint16_t controlId = 0;
  int row = -1;     // ListRow: the list's row
  int answer = 0;   // MessageBoxButton: IDOK or IDCANCEL
};

class HitMap {
 public:
  void add(const Hit& hit) { hits_.push_back(hit); }
  // Everything drawn so far is covered by a modal box or dialog.
  void clear() { hits_.clear(); }
  // The region drawn last (the topmost) that holds the cell.
  std::optional<Hit> at(int column, int row) const;
  const std::vector<Hit>& hits() const { return hits_; }

 private:
  std::vector<Hit> hits_;
};

}  // namespace p42r::frontends::render
