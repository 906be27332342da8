#include "frontends/render/ControlPainter.h"

#include <algorithm>

#include "frontends/render/TextWidth.h"
#include "frontends/render/Theme.h"

namespace p42r::frontends::render {

namespace {

using resources::ControlKind;

// The row a one-line control sits on: the middle of its rectangle.
int MiddleRow(const CellRect& area) { return area.y + (area.height - 1) / 2; }

void PaintStatic(PaintContext& context, const platform::Control& control, const CellRect& area) {
  const Style style = control.isEnabled() ? theme::kForm : theme::kDisabledText;
  const auto lines = WrapText(DecodeUtf16(control.text()), area.width);
  for (int i = 0; i < area.height && i < static_cast<int>(lines.size()); ++i) {
    const auto& line = lines[static_cast<std::size_t>(i)];
    const int width = std::min(TextWidth(line), area.width);
    int x = area.x;
    if (control.hasStyle(resources::kStyleAlignRight)) x = area.right() - width;
    if (control.hasStyle(resources::kStyleAlignCenter)) x = area.x + (area.width - width) / 2;
    context.grid.text(x, area.y + i, line, style, area.width);
  }
}

void PaintButton(PaintContext& context, const platform::Control& control, const CellRect& area, Focus focus) {
  Style style = theme::kButton;
  if (!control.isEnabled()) style = theme::kButtonDisabled;
  if (focus == Focus::Focused) style = theme::kButtonFocused;
  context.grid.fill(area, style);
  const auto text = DecodeUtf16(control.text());
  int inner = area.width - 2;
  int x = area.x + 1;
  int row = MiddleRow(area);
  if (area.height >= 3 && area.width >= 4) {
    context.grid.box(area, style);
    inner = area.width - 4;
    x = area.x + 2;
  } else {
    context.grid.put(area.x, row, U'[', style);
    context.grid.put(area.right() - 1, row, U']', style);
  }
  const int width = std::min(TextWidth(text), std::max(inner, 0));
  context.grid.text(x + (inner - width) / 2, row, text, style, inner);
  context.hits.add({Hit::Kind::Control, area, control.id()});
}

void PaintRadio(PaintContext& context, const platform::Control& control, const CellRect& area, Focus focus) {
  const int row = MiddleRow(area);
  const Style mark = control.isEnabled() ? theme::kForm : theme::kDisabledText;
  context.grid.text(area.x, row, control.isChecked() ? U"(*)" : U"( )", mark, area.width);
  Style label = mark;
  if (focus == Focus::Focused) label = theme::kFocusedText;
  context.grid.text(area.x + 4, row, DecodeUtf16(control.text()), label, area.width - 4);
  context.hits.add({Hit::Kind::Control, area, control.id()});
}

void PaintGroupBox(PaintContext& context, const platform::Control& control, const CellRect& area) {
  context.grid.box(area, theme::kFrameLine);
  const auto text = DecodeUtf16(control.text());
  if (!text.empty()) context.grid.text(area.x + 2, area.y, U" " + text + U" ", theme::kForm, area.width - 4);
}

void PaintEdit(PaintContext& context, const platform::Control& control, const CellRect& area, Focus focus) {
  const bool readOnly = control.hasStyle(resources::kStyleReadOnly);
  const bool multiline = control.hasStyle(resources::kStyleMultiline);
  const Style field = readOnly || !control.isEnabled() ? theme::kFieldReadOnly : theme::kField;
  const std::u32string text =
      control.hasStyle(resources::kStylePassword) ? MaskedText(control) : DecodeUtf16(control.text());
  context.grid.fill(area, field);
  CellRect inside = area;
  if (area.height >= 3 && area.width >= 3) {
    Style line{theme::kLineGrey, field.background};
    if (focus == Focus::Focused) line = Style{theme::kFocusBlue, field.background, kAttributeBold};
    context.grid.box(area, line);
    inside = area.inset(1);
  }
  context.hits.add({Hit::Kind::Control, area, control.id()});
  if (inside.empty()) return;
  const bool caret = focus == Focus::Focused && !readOnly && control.isEnabled();
  if (!multiline) {
    const int row = MiddleRow(inside);
    // The field scrolls so that its end, where typing goes on, stays in view.
    const auto shown = FittingTail(text, caret ? inside.width - 1 : inside.width);
    const int used = context.grid.text(inside.x, row, shown, field, inside.width);
    if (inside.height == area.height) {
      for (int x = inside.x + used; x < inside.right(); ++x) context.grid.put(x, row, U'_', theme::kFieldFill);
    }
    if (caret) context.cursor = CursorPosition{inside.x + used, row};
    return;
  }
  const auto lines = WrapText(text, std::max(inside.width - (caret ? 1 : 0), 1));
  const int count = static_cast<int>(lines.size());
  // A field being typed into shows its last lines, any other its first.
  const int first = caret ? std::max(count - inside.height, 0) : 0;
  for (int i = 0; i < inside.height && first + i < count; ++i) {
    context.grid.text(inside.x, inside.y + i, lines[static_cast<std::size_t>(first + i)], field, inside.width);
  }
  if (caret) {
    const int last = std::min(count - first, inside.height) - 1;
    context.cursor = CursorPosition{
        inside.x + std::min(TextWidth(lines[static_cast<std::size_t>(first + last)]), inside.width - 1),
        inside.y + last};
  }
}

void PaintProgress(PaintContext& context, const platform::Control& control, const CellRect& area) {
  context.grid.fill(area, theme::kProgress);
  const int span = control.rangeHigh() - control.rangeLow();
  if (span <= 0) return;
  const long eighths =
      static_cast<long>(control.position() - control.rangeLow()) * area.width * 8 / span;
  const int full = static_cast<int>(eighths / 8);
  const int rest = static_cast<int>(eighths % 8);
  static constexpr char32_t kPartial[8] = {U' ', U'▏', U'▎', U'▍', U'▌', U'▋', U'▊', U'▉'};
  for (int row = area.y; row < area.bottom(); ++row) {
    for (int x = 0; x < full && x < area.width; ++x) context.grid.put(area.x + x, row, U'█', theme::kProgress);
    if (rest > 0 && full < area.width) context.grid.put(area.x + full, row, kPartial[rest], theme::kProgress);
  }
}

}  // namespace

std::u32string MaskedText(const platform::Control& control) {
  return std::u32string(DecodeUtf16(control.text()).size(), U'*');
}

void PaintControl(PaintContext& context, const platform::Control& control, Focus focus) {
  if (!control.isVisible()) return;
  const CellRect area = context.scale.map(control.rect());
  switch (control.kind()) {
    case ControlKind::Static: PaintStatic(context, control, area); return;
    case ControlKind::Button: PaintButton(context, control, area, focus); return;
    case ControlKind::RadioButton: PaintRadio(context, control, area, focus); return;
    case ControlKind::GroupBox: PaintGroupBox(context, control, area); return;
    case ControlKind::Edit: PaintEdit(context, control, area, focus); return;
    case ControlKind::ListView: PaintListView(context, control, area, focus); return;
    case ControlKind::ProgressBar: PaintProgress(context, control, area); return;
    case ControlKind::Picture: return;  // only what is drawn into it shows
  }
}

}  // namespace p42r::frontends::render
