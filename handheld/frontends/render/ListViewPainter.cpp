// List views in report view: optional border and column header, the columns
// with grid lines between them, and the selected row over its full width.
// A list scrolls to keep its selection in view.
#include <algorithm>

#include "frontends/render/ControlPainter.h"
#include "frontends/render/TextWidth.h"
#include "frontends/render/Theme.h"

namespace p42r::frontends::render {

namespace {

struct Column {
  int x;
  int width;
};

// The columns' places: widths from their pixels, the last one to the edge.
std::vector<Column> LayColumns(const PaintContext& context, const platform::Control& control, const CellRect& inside) {
  std::vector<Column> columns;
  int x = inside.x;
  const auto& defined = control.columns();
  const std::size_t count = std::max<std::size_t>(defined.size(), 1);
  for (std::size_t i = 0; i < count && x < inside.right(); ++i) {
    int width = inside.right() - x;
    if (i + 1 < count) width = std::clamp(context.scale.pixelColumns(defined[i].widthPixels), 1, width);
    columns.push_back({x, width});
    x += width;
  }
  return columns;
}

void PaintCells(PaintContext& context, const std::vector<Column>& columns, int row,
                const std::vector<std::u16string>& cells, Style style, bool gridLines) {
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const Column& column = columns[i];
    const bool separated = gridLines && i + 1 < columns.size();
    const int room = column.width - (separated ? 1 : 0);
    if (i < cells.size()) context.grid.text(column.x, row, DecodeUtf16(cells[i]), style, room);
    if (separated) context.grid.put(column.x + column.width - 1, row, U'│', Style{theme::kSelectionGrey, style.background});
  }
}

}  // namespace

void PaintListView(PaintContext& context, const platform::Control& control, const CellRect& area, Focus focus) {
  context.grid.fill(area, theme::kListRow);
  CellRect inside = area;
  if (control.hasStyle(resources::kStyleBorder) && area.height >= 3 && area.width >= 3) {
    context.grid.box(area, focus == Focus::Focused ? theme::kFieldFocusedLine : theme::kFrameLine);
    inside = area.inset(1);
  }
  context.hits.add({Hit::Kind::Control, area, control.id()});
  if (inside.empty()) return;
  const auto columns = LayColumns(context, control, inside);
  int top = inside.y;
  if (!control.hasStyle(resources::kStyleListNoColumnHeader) && inside.height > 1) {
    context.grid.fill({inside.x, top, inside.width, 1}, theme::kListHeader);
    std::vector<std::u16string> headings;
    for (const auto& column : control.columns()) headings.push_back(column.heading);
    PaintCells(context, columns, top, headings, theme::kListHeader, true);
    ++top;
  }
  const int visibleRows = inside.bottom() - top;
  const auto& rows = control.rows();
  const int selected = control.selectedRow();
  int first = 0;
  if (!control.hasStyle(resources::kStyleListNoScroll) && selected >= visibleRows) first = selected - visibleRows + 1;
  for (int i = 0; i < visibleRows; ++i) {
    const int index = first + i;
    const int y = top + i;
    const bool isSelected = index == selected && index < static_cast<int>(rows.size());
    Style style = theme::kListRow;
    if (isSelected) style = focus == Focus::Focused ? theme::kListSelected : theme::kListSelectedUnfocused;
    context.grid.fill({inside.x, y, inside.width, 1}, style);
    const std::vector<std::u16string> none;
    const auto& cells = index < static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(index)] : none;
    PaintCells(context, columns, y, cells, style, true);
    if (index < static_cast<int>(rows.size())) {
      context.hits.add({Hit::Kind::ListRow, {inside.x, y, inside.width, 1}, control.id(), index});
    }
  }
}

}  // namespace p42r::frontends::render
