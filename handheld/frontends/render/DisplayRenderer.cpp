#include "frontends/render/DisplayRenderer.h"

#include "frontends/render/FormPainter.h"
#include "frontends/render/Layout.h"
#include "frontends/render/MessageBoxPainter.h"
#include "frontends/render/TextWidth.h"
#include "frontends/render/Theme.h"
#include "platform/Form.h"

namespace p42r::frontends::render {

namespace {

void PaintTitleBar(Rendering& out, const CellRect& bar, const platform::Display& display, bool tooSmall) {
  out.grid.fill(bar, theme::kTitleBar);
  int right = bar.right();
  if (display.waitCursor()) {
    const int width = TextWidth(kWaitBadge);
    right -= width + 1;
    out.grid.text(right, bar.y, kWaitBadge, theme::kWaitBadge, width);
  }
  if (tooSmall) {
    const int width = TextWidth(kTooSmall);
    right -= width + 1;
    out.grid.text(std::max(right, bar.x), bar.y, kTooSmall, theme::kWaitBadge, width);
  }
  out.grid.text(bar.x + 1, bar.y, DecodeUtf16(display.title()), theme::kTitleBar, std::max(right - bar.x - 2, 0));
}

void PaintCommandBar(Rendering& out, const CellRect& bar, const platform::Display& display) {
  out.grid.fill(bar, theme::kCommandBar);
  // While a screen warns against closing, closing is not offered.
  const std::u32string_view keys = !display.openMessageBoxes().empty() ? kKeysMessageBox
                                   : display.closeWarning().empty()     ? kKeysForm
                                                                        : kKeysFormBusy;
  out.grid.text(bar.x, bar.y, keys, theme::kCommandBar, bar.width);
}

template <typename Paint>
void WithForm(Rendering& out, const CellRect& area, const platform::Form& form, Paint paint) {
  const resources::DialogTemplate* source = form.dialogTemplate();
  const int width = source != nullptr ? source->width : 137;
  const int height = source != nullptr ? source->height : 125;
  const DialogScale scale(area, width, height);
  PaintContext context{out.grid, out.hits, scale, out.cursor};
  paint(context);
}

void PaintDialog(Rendering& out, PictureLibrary& pictures, const CellRect& body, const platform::Form& dialog,
                 Focus focus) {
  out.hits.clear();
  out.cursor.reset();
  // The caption bar sits on top of the dialog; the rest of the body holds its form.
  const CellRect below{body.x, body.y + 1, body.width, std::max(body.height - 1, 0)};
  WithForm(out, below, dialog, [&](PaintContext& context) {
    const CellRect& form = context.scale.form();
    const CellRect caption{form.x, form.y - 1, form.width, 1};
    out.grid.fill(caption, theme::kBoxCaption);
    const auto text = dialog.dialogTemplate() != nullptr ? DecodeUtf16(dialog.dialogTemplate()->caption) : U"";
    out.grid.text(caption.x + 1, caption.y, text, theme::kBoxCaption, caption.width - 2);
    PaintForm(context, pictures, dialog, focus);
  });
}

}  // namespace

Rendering RenderDisplay(const platform::Display& display, PictureLibrary& pictures, const RenderOptions& options) {
  Rendering out{CellGrid(options.columns, options.rows, theme::kDeskStyle), HitMap{}, std::nullopt};
  const ScreenAreas areas = SplitScreen(options.columns, options.rows);
  const bool tooSmall = options.columns < kMinimumColumns || options.rows < kMinimumRows;
  const auto& boxes = display.openMessageBoxes();
  const auto& dialogs = display.openDialogs();
  const platform::Form* target = display.inputTarget();

  out.grid.setClip(areas.body);
  if (const platform::Form* form = display.activeForm()) {
    WithForm(out, areas.body, *form, [&](PaintContext& context) {
      PaintForm(context, pictures, *form, form == target ? Focus::Focused : Focus::None);
    });
  }
  for (const platform::Form* dialog : dialogs) {
    PaintDialog(out, pictures, areas.body, *dialog, dialog == target ? Focus::Focused : Focus::None);
  }
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    out.cursor.reset();
    const bool topmost = i + 1 == boxes.size();
    PaintMessageBox(out.grid, out.hits, areas.body, *boxes[i], topmost ? options.selectedButton : -1);
  }
  out.grid.resetClip();
  PaintTitleBar(out, areas.title, display, tooSmall);
  PaintCommandBar(out, areas.commandBar, display);
  return out;
}

}  // namespace p42r::frontends::render
