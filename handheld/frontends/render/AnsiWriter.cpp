#include "frontends/render/AnsiWriter.h"

#include "frontends/render/TextWidth.h"

namespace p42r::frontends::render {

namespace {

std::string ColourCode(bool foreground, Rgb colour, ColourDepth depth) {
  const std::string lead = foreground ? "3" : "4";
  switch (depth) {
    case ColourDepth::TrueColour:
      return lead + "8;2;" + std::to_string(colour.r) + ";" + std::to_string(colour.g) + ";" + std::to_string(colour.b);
    case ColourDepth::Palette256:
      return lead + "8;5;" + std::to_string(Nearest256(colour));
    case ColourDepth::Basic8:
      return lead + std::to_string(Nearest8(colour));
    case ColourDepth::Monochrome:
      break;
  }
  return {};
}

std::string StyleCode(const Style& style, ColourDepth depth) {
  std::string code = "\x1b[0";
  if ((style.attributes & kAttributeBold) != 0) code += ";1";
  if ((style.attributes & kAttributeUnderline) != 0) code += ";4";
  if (depth == ColourDepth::Monochrome) {
    if ((style.attributes & kAttributeEmphasis) != 0) code += ";7";
  } else {
    code += ";" + ColourCode(true, style.foreground, depth) + ";" + ColourCode(false, style.background, depth);
  }
  return code + "m";
}

}  // namespace

std::string AnsiText(const CellGrid& grid, ColourDepth depth) {
  std::string out;
  for (int row = 0; row < grid.rows(); ++row) {
    bool first = true;
    Style current;
    for (int column = 0; column < grid.columns(); ++column) {
      const Cell& cell = grid.at(column, row);
      if (cell.width == 0) continue;
      if (first || !(cell.style == current)) {
        out += StyleCode(cell.style, depth);
        current = cell.style;
        first = false;
      }
      out += EncodeUtf8(std::u32string(1, cell.character));
    }
    out += "\x1b[0m\n";
  }
  return out;
}

}  // namespace p42r::frontends::render
