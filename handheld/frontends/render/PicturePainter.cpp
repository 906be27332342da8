#include "frontends/render/PicturePainter.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace p42r::frontends::render {

namespace {

constexpr char32_t kUpperHalf = U'▀';
constexpr char32_t kLowerHalf = U'▄';

// The average colour of the bitmap over [x0, x1) x [y0, y1); nothing when
// less than half of that area lies on the bitmap.
std::optional<Rgb> Average(const Image& image, double x0, double y0, double x1, double y1) {
  const double area = (x1 - x0) * (y1 - y0);
  if (area <= 0) return std::nullopt;
  const double left = std::max(x0, 0.0);
  const double top = std::max(y0, 0.0);
  const double right = std::min(x1, static_cast<double>(image.width));
  const double bottom = std::min(y1, static_cast<double>(image.height));
  if (right <= left || bottom <= top) return std::nullopt;
  double red = 0;
  double green = 0;
  double blue = 0;
  double covered = 0;
  for (int py = static_cast<int>(std::floor(top)); py < static_cast<int>(std::ceil(bottom)); ++py) {
    const double h = std::min(bottom, py + 1.0) - std::max(top, static_cast<double>(py));
    for (int px = static_cast<int>(std::floor(left)); px < static_cast<int>(std::ceil(right)); ++px) {
      const double w = std::min(right, px + 1.0) - std::max(left, static_cast<double>(px));
      const double weight = w * h;
      const Rgb& pixel = image.at(px, py);
      red += pixel.r * weight;
      green += pixel.g * weight;
      blue += pixel.b * weight;
      covered += weight;
    }
  }
  if (covered < area / 2) return std::nullopt;
  const auto channel = [&](double sum) { return static_cast<std::uint8_t>(std::clamp(std::lround(sum / covered), 0L, 255L)); };
  return Rgb{channel(red), channel(green), channel(blue)};
}

}  // namespace

void PaintPicture(CellGrid& grid, const CellRect& destination, const Image& image, const SourceRect& source) {
  if (destination.empty() || image.width <= 0 || image.height <= 0 || source.width <= 0 || source.height <= 0) return;
  const double stepX = source.width / destination.width;
  const double stepY = source.height / (2.0 * destination.height);
  const CellRect visible = destination.intersection(grid.clip());
  for (int row = visible.y; row < visible.bottom(); ++row) {
    const int pixelRow = 2 * (row - destination.y);
    const double upperTop = source.y + pixelRow * stepY;
    for (int column = visible.x; column < visible.right(); ++column) {
      const double left = source.x + (column - destination.x) * stepX;
      const auto upper = Average(image, left, upperTop, left + stepX, upperTop + stepY);
      const auto lower = Average(image, left, upperTop + stepY, left + stepX, upperTop + 2 * stepY);
      if (!upper && !lower) continue;
      const Cell& under = grid.at(column, row);
      const Rgb behind = under.style.background;
      if (upper && lower) {
        grid.put(column, row, kUpperHalf, Style{*upper, *lower});
      } else if (upper) {
        grid.put(column, row, kUpperHalf, Style{*upper, behind});
      } else {
        grid.put(column, row, kLowerHalf, Style{*lower, behind});
      }
    }
  }
}

}  // namespace p42r::frontends::render
