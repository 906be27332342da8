#include "frontends/render/Layout.h"

#include <algorithm>
#include <cmath>

namespace p42r::frontends::render {

namespace {
constexpr double kNarrowestColumnsPerUnit = 0.5;
}

ScreenAreas SplitScreen(int columns, int rows) {
  ScreenAreas areas;
  areas.title = {0, 0, columns, rows > 0 ? 1 : 0};
  areas.commandBar = {0, rows - 1, columns, rows > 1 ? 1 : 0};
  areas.body = {0, 1, columns, std::max(rows - 2, 0)};
  return areas;
}

DialogScale::DialogScale(const CellRect& area, int widthUnits, int heightUnits) {
  widthUnits = std::max(widthUnits, 1);
  heightUnits = std::max(heightUnits, 1);
  rowsPerUnit_ = static_cast<double>(std::max(area.height, 1)) / heightUnits;
  const double square = 2.0 * rowsPerUnit_;
  columnsPerUnit_ =
      std::min(static_cast<double>(std::max(area.width, 1)) / widthUnits, std::max(kNarrowestColumnsPerUnit, square));
  const int width = static_cast<int>(std::lround(widthUnits * columnsPerUnit_));
  const int height = static_cast<int>(std::lround(heightUnits * rowsPerUnit_));
  form_ = {area.x + std::max((area.width - width) / 2, 0), area.y + std::max((area.height - height) / 2, 0), width,
           height};
}

int DialogScale::column(double units) const { return static_cast<int>(std::floor(units * columnsPerUnit_ + 0.5)); }

int DialogScale::row(double units) const { return static_cast<int>(std::floor(units * rowsPerUnit_ + 0.5)); }

CellRect DialogScale::map(const resources::DialogRect& rect) const {
  return {form_.x + column(rect.x), form_.y + row(rect.y), std::max(column(rect.width), 1),
          std::max(row(rect.height), 1)};
}

CellRect DialogScale::mapPixels(int x, int y, int width, int height) const {
  const double unit = kPixelsPerDialogUnit;
  return {form_.x + column(x / unit), form_.y + row(y / unit), std::max(column(width / unit), 1),
          std::max(row(height / unit), 1)};
}

int DialogScale::pixelColumns(int pixels) const { return column(static_cast<double>(pixels) / kPixelsPerDialogUnit); }

}  // namespace p42r::frontends::render
