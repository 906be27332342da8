// An off-screen grid of terminal cells: what the terminal frontend puts on
// the screen and what tests compare with expected grids. A wide character
// fills two cells: its own and a continuation cell of width 0 to its right.
// Drawing is clipped to the grid and to the clip rectangle, and never leaves
// half of a wide character behind.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "frontends/render/Colour.h"

namespace p42r::frontends::render {

enum CellAttribute : std::uint8_t {
  kAttributeNone = 0,
  kAttributeBold = 1u << 0,
  kAttributeUnderline = 1u << 1,
  // The focus or a selection: shown in reverse video where colours are missing.
  kAttributeEmphasis = 1u << 2,
};

struct Style {
  Rgb foreground;
  Rgb background;
  std::uint8_t attributes = kAttributeNone;
  friend constexpr bool operator==(const Style&, const Style&) = default;
};

struct Cell {
  char32_t character = U' ';
  std::uint8_t width = 1;  // 0: the right half of the wide character to the left
  Style style;
  friend constexpr bool operator==(const Cell&, const Cell&) = default;
};

struct CellRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  int right() const { return x + width; }    // one past the last column
  int bottom() const { return y + height; }  // one past the last row
  bool empty() const { return width <= 0 || height <= 0; }
  bool contains(int column, int row) const { return column >= x && column < right() && row >= y && row < bottom(); }
  CellRect intersection(const CellRect& other) const;
  CellRect inset(int cells) const { return {x + cells, y + cells, width - 2 * cells, height - 2 * cells}; }
  friend constexpr bool operator==(const CellRect&, const CellRect&) = default;
};

enum class BoxLines : std::uint8_t { Single, Double };

class CellGrid {
 public:
  CellGrid(int columns, int rows, Style fill);

  int columns() const { return columns_; }
  int rows() const { return rows_; }
  CellRect bounds() const { return {0, 0, columns_, rows_}; }
  const Cell& at(int column, int row) const;

  // Every drawing call below keeps inside `clip` (and the grid).
  void setClip(const CellRect& clip) { clip_ = clip.intersection(bounds()); }
  void resetClip() { clip_ = bounds(); }
  const CellRect& clip() const { return clip_; }

  void fill(const CellRect& area, Style style, char32_t character = U' ');
  // One character; a wide one that would be cut by the clip becomes a blank.
  void put(int column, int row, char32_t character, Style style);
  // Text from (column, row) in at most `maxWidth` cells; returns the cells used.
  int text(int column, int row, std::u32string_view text, Style style, int maxWidth);
  void box(const CellRect& area, Style style, BoxLines lines = BoxLines::Single);
  // Changes the colours of a cell and keeps its character (shadows).
  void recolour(int column, int row, Style style);

  // The grid as text, one UTF-8 line per row with trailing blanks removed.
  std::vector<std::string> textRows() const;
  std::string text() const;

 private:
  Cell& cell(int column, int row) { return cells_[static_cast<std::size_t>(row * columns_ + column)]; }
  // Makes a cell free for writing: the wide character it belongs to is blanked.
  void release(int column, int row);

  int columns_;
  int rows_;
  std::vector<Cell> cells_;
  CellRect clip_;
};

}  // namespace p42r::frontends::render
