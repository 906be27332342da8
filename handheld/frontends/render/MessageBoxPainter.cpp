#include "frontends/render/MessageBoxPainter.h"

#include <algorithm>

#include "frontends/render/TextWidth.h"
#include "frontends/render/Theme.h"

namespace p42r::frontends::render {

namespace {

constexpr int kWidestBox = 64;
constexpr int kNarrowestBox = 24;

std::u32string ButtonLabel(int answer) {
  return answer == platform::IDCANCEL ? U"[ キャンセル ]" : U"[ OK ]";
}

struct Icon {
  std::u32string_view glyph;
  Style style;
};

Icon IconOf(platform::MessageBoxIcon icon) {
  switch (icon) {
    case platform::MessageBoxIcon::Information: return {U"(i)", theme::kIconInformation};
    case platform::MessageBoxIcon::Exclamation: return {U"(!)", theme::kIconExclamation};
    case platform::MessageBoxIcon::Question: return {U"(?)", theme::kIconQuestion};
    case platform::MessageBoxIcon::None: break;
  }
  return {U"", theme::kBoxText};
}

void PaintShadow(CellGrid& grid, const CellRect& box) {
  for (int row = box.y + 1; row <= box.bottom(); ++row) grid.recolour(box.right(), row, theme::kShadowStyle);
  for (int column = box.x + 1; column <= box.right(); ++column) grid.recolour(column, box.bottom(), theme::kShadowStyle);
}

}  // namespace

std::vector<int> MessageBoxAnswers(const platform::MessageBoxState& box) {
  if (box.buttons == platform::MessageBoxButtons::OkCancel) return {platform::IDOK, platform::IDCANCEL};
  return {platform::IDOK};
}

void PaintMessageBox(CellGrid& grid, HitMap& hits, const CellRect& area, const platform::MessageBoxState& box,
                     int selected) {
  hits.clear();
  const Icon icon = IconOf(box.icon);
  const int iconWidth = icon.glyph.empty() ? 0 : static_cast<int>(icon.glyph.size()) + 1;
  const auto answers = MessageBoxAnswers(box);
  int buttonsWidth = 0;
  for (int answer : answers) buttonsWidth += TextWidth(ButtonLabel(answer)) + 2;
  buttonsWidth -= 2;
  const auto caption = DecodeUtf16(box.caption);

  const int widest = std::clamp(std::min(area.width - 4, kWidestBox), 1, kWidestBox);
  const auto lines = WrapText(DecodeUtf16(box.text), std::max(widest - 4 - iconWidth, 1));
  int textWidth = 0;
  for (const auto& line : lines) textWidth = std::max(textWidth, TextWidth(line));
  const int width = std::clamp(
      std::max({textWidth + iconWidth + 4, buttonsWidth + 4, TextWidth(caption) + 4, kNarrowestBox}), 1,
      std::max(area.width, 1));
  const int height = std::min(static_cast<int>(lines.size()) + 5, std::max(area.height, 1));
  const CellRect frame{area.x + (area.width - width) / 2, area.y + (area.height - height) / 2, width, height};

  grid.fill(frame, theme::kBoxText);
  grid.box(frame, theme::kBoxBorder);
  grid.fill({frame.x, frame.y, frame.width, 1}, theme::kBoxCaption);
  grid.text(frame.x + 2, frame.y, caption, theme::kBoxCaption, frame.width - 4);
  PaintShadow(grid, frame);

  const int textRows = std::max(frame.height - 5, 0);
  if (iconWidth > 0) grid.text(frame.x + 2, frame.y + 2, icon.glyph, icon.style, frame.width - 4);
  for (int i = 0; i < textRows && i < static_cast<int>(lines.size()); ++i) {
    grid.text(frame.x + 2 + iconWidth, frame.y + 2 + i, lines[static_cast<std::size_t>(i)], theme::kBoxText,
              frame.width - 4 - iconWidth);
  }

  const int buttonRow = frame.bottom() - 2;
  int x = frame.x + (frame.width - buttonsWidth) / 2;
  for (std::size_t i = 0; i < answers.size(); ++i) {
    const auto label = ButtonLabel(answers[i]);
    const Style style = static_cast<int>(i) == selected ? theme::kButtonFocused : theme::kButton;
    const int used = grid.text(x, buttonRow, label, style, frame.right() - 1 - x);
    hits.add({Hit::Kind::MessageBoxButton, {x, buttonRow, used, 1}, 0, -1, answers[i]});
    x += used + 2;
  }
}

}  // namespace p42r::frontends::render
