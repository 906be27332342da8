#include "frontends/render/CellGrid.h"

#include <algorithm>

#include "frontends/render/TextWidth.h"

namespace p42r::frontends::render {

CellRect CellRect::intersection(const CellRect& other) const {
  const int left = std::max(x, other.x);
  const int top = std::max(y, other.y);
  const int r = std::min(right(), other.right());
  const int b = std::min(bottom(), other.bottom());
  if (r <= left || b <= top) return {left, top, 0, 0};
  return {left, top, r - left, b - top};
}

CellGrid::CellGrid(int columns, int rows, Style fill)
    : columns_(std::max(columns, 0)),
      rows_(std::max(rows, 0)),
      cells_(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_), Cell{U' ', 1, fill}),
      clip_{0, 0, columns_, rows_} {}

const Cell& CellGrid::at(int column, int row) const {
  return cells_[static_cast<std::size_t>(row * columns_ + column)];
}

void CellGrid::release(int column, int row) {
  Cell& target = cell(column, row);
  if (target.width == 0 && column > 0) {
    Cell& lead = cell(column - 1, row);
    lead.character = U' ';
    lead.width = 1;
  } else if (target.width == 2 && column + 1 < columns_) {
    Cell& rest = cell(column + 1, row);
    rest.character = U' ';
    rest.width = 1;
  }
  target.character = U' ';
  target.width = 1;
}

void CellGrid::fill(const CellRect& area, Style style, char32_t character) {
  const CellRect target = area.intersection(clip_);
  for (int row = target.y; row < target.bottom(); ++row) {
    for (int column = target.x; column < target.right(); ++column) put(column, row, character, style);
  }
}

void CellGrid::put(int column, int row, char32_t character, Style style) {
  if (!clip_.contains(column, row)) return;
  int width = CharWidth(character);
  if (width == 0) return;
  if (width == 2 && !clip_.contains(column + 1, row)) {
    character = U' ';
    width = 1;
  }
  release(column, row);
  if (width == 2) release(column + 1, row);
  Cell& target = cell(column, row);
  target.character = character;
  target.width = static_cast<std::uint8_t>(width);
  target.style = style;
  if (width == 2) {
    Cell& rest = cell(column + 1, row);
    rest.character = U' ';
    rest.width = 0;
    rest.style = style;
  }
}

int CellGrid::text(int column, int row, std::u32string_view text, Style style, int maxWidth) {
  int used = 0;
  for (char32_t c : text) {
    const int width = CharWidth(c);
    if (width == 0) continue;
    if (used + width > maxWidth) break;
    put(column + used, row, c, style);
    used += width;
  }
  return used;
}

void CellGrid::box(const CellRect& area, Style style, BoxLines lines) {
  if (area.width < 2 || area.height < 2) return;
  const bool twin = lines == BoxLines::Double;
  const char32_t horizontal = twin ? U'═' : U'─';
  const char32_t vertical = twin ? U'║' : U'│';
  const int right = area.right() - 1;
  const int bottom = area.bottom() - 1;
  for (int column = area.x + 1; column < right; ++column) {
    put(column, area.y, horizontal, style);
    put(column, bottom, horizontal, style);
  }
  for (int row = area.y + 1; row < bottom; ++row) {
    put(area.x, row, vertical, style);
    put(right, row, vertical, style);
  }
  put(area.x, area.y, twin ? U'╔' : U'┌', style);
  put(right, area.y, twin ? U'╗' : U'┐', style);
  put(area.x, bottom, twin ? U'╚' : U'└', style);
  put(right, bottom, twin ? U'╝' : U'┘', style);
}

void CellGrid::recolour(int column, int row, Style style) {
  if (!clip_.contains(column, row)) return;
  cell(column, row).style = style;
}

std::vector<std::string> CellGrid::textRows() const {
  std::vector<std::string> result;
  result.reserve(static_cast<std::size_t>(rows_));
  for (int row = 0; row < rows_; ++row) {
    std::u32string line;
    for (int column = 0; column < columns_; ++column) {
      const Cell& c = at(column, row);
      if (c.width != 0) line.push_back(c.character);
    }
    while (!line.empty() && line.back() == U' ') line.pop_back();
    result.push_back(EncodeUtf8(line));
  }
  return result;
}

std::string CellGrid::text() const {
  std::string result;
  for (const auto& line : textRows()) {
    result += line;
    result += '\n';
  }
  return result;
}

}  // namespace p42r::frontends::render
