#include "frontends/gui/FormDrawing.h"

#include <algorithm>

#include "frontends/render/Layout.h"
#include "frontends/render/Theme.h"

namespace p42r::frontends::gui {

namespace theme = render::theme;
using resources::ControlKind;

namespace {

constexpr int kSmallestTextPixels = 9;
constexpr int kListRowHeight = 16;
constexpr int kListHeaderHeight = 18;
constexpr QChar kMask = u'*';

void DrawText(QPainter& painter, const QRect& area, int flags, const QString& text, QColor colour) {
  painter.setPen(colour);
  painter.drawText(area, flags, text);
}

void DrawStatic(FormDrawing& d, const platform::Control& control, const QRect& area) {
  int align = Qt::AlignLeft;
  if (control.hasStyle(resources::kStyleAlignCenter)) align = Qt::AlignHCenter;
  if (control.hasStyle(resources::kStyleAlignRight)) align = Qt::AlignRight;
  d.painter.save();
  d.painter.setClipRect(area);
  DrawText(d.painter, area, align | Qt::AlignTop | Qt::TextWordWrap, ToQString(control.text()),
           ColourOf(control.isEnabled() ? theme::kBlack : theme::kDisabledGrey));
  d.painter.restore();
}

void DrawButton(FormDrawing& d, const platform::Control& control, const QRect& area, bool focused) {
  const bool pressed = d.pressed == control.id() && control.isEnabled();
  QColor face = ColourOf(theme::kButtonGrey);
  QColor ink = ColourOf(control.isEnabled() ? theme::kBlack : theme::kDisabledGrey);
  if (focused || pressed) {
    face = ColourOf(theme::kFocusBlue);
    ink = ColourOf(theme::kWhite);
  }
  if (pressed) face = face.darker(130);
  d.painter.setPen(ColourOf(theme::kLineGrey));
  d.painter.setBrush(face);
  d.painter.drawRoundedRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
  d.painter.setBrush(Qt::NoBrush);
  // A label too long for the button at the form's size is set smaller, down to a point.
  const QString text = ToQString(control.text());
  const QRect room = area.adjusted(3, 0, -3, 0);
  d.painter.save();
  for (int pixels = kTextPixels; pixels > kSmallestTextPixels; --pixels) {
    if (QFontMetrics(WindowFont(pixels)).horizontalAdvance(text) <= room.width()) break;
    d.painter.setFont(WindowFont(pixels - 1));
  }
  DrawText(d.painter, room, Qt::AlignCenter | Qt::TextWordWrap, text, ink);
  d.painter.restore();
  if (d.takesInput) d.hits.add({render::Hit::Kind::Control, {area.x(), area.y(), area.width(), area.height()}, control.id()});
}

void DrawRadio(FormDrawing& d, const platform::Control& control, const QRect& area, bool focused) {
  const int size = 12;
  const QRect circle(area.x() + 1, area.y() + (area.height() - size) / 2, size, size);
  d.painter.setRenderHint(QPainter::Antialiasing, true);
  d.painter.setPen(ColourOf(control.isEnabled() ? theme::kLineGrey : theme::kDisabledGrey));
  d.painter.setBrush(ColourOf(theme::kFieldWhite));
  d.painter.drawEllipse(circle);
  if (control.isChecked()) {
    d.painter.setPen(Qt::NoPen);
    d.painter.setBrush(ColourOf(control.isEnabled() ? theme::kFocusBlue : theme::kDisabledGrey));
    d.painter.drawEllipse(circle.adjusted(3, 3, -3, -3));
  }
  d.painter.setBrush(Qt::NoBrush);
  d.painter.setRenderHint(QPainter::Antialiasing, false);
  const QRect label = area.adjusted(size + 6, 0, 0, 0);
  const QString text = ToQString(control.text());
  if (focused) {
    const QRect used = d.painter.fontMetrics().boundingRect(label, Qt::AlignLeft | Qt::AlignVCenter, text);
    d.painter.fillRect(used.adjusted(-2, 0, 2, 0), ColourOf(theme::kFocusBlue));
  }
  DrawText(d.painter, label, Qt::AlignLeft | Qt::AlignVCenter, text,
           ColourOf(focused ? theme::kWhite : control.isEnabled() ? theme::kBlack : theme::kDisabledGrey));
  if (d.takesInput) d.hits.add({render::Hit::Kind::Control, {area.x(), area.y(), area.width(), area.height()}, control.id()});
}

void DrawGroupBox(FormDrawing& d, const platform::Control& control, const QRect& area) {
  const QString text = ToQString(control.text());
  const int top = area.y() + kTextPixels / 2;
  d.painter.setPen(ColourOf(theme::kLineGrey));
  d.painter.drawRect(QRect(area.x(), top, area.width() - 1, area.bottom() - top));
  if (text.isEmpty()) return;
  const QRect label = d.painter.fontMetrics().boundingRect(text).translated(area.x() + 8, area.y()).adjusted(-2, 0, 2, 0);
  d.painter.fillRect(QRect(label.x(), area.y(), label.width(), kTextPixels + 2), ColourOf(theme::kWhite));
  DrawText(d.painter, QRect(label.x(), area.y(), label.width(), kTextPixels + 2), Qt::AlignCenter, text,
           ColourOf(theme::kBlack));
}

void DrawEdit(FormDrawing& d, const platform::Control& control, const QRect& area, bool focused) {
  const bool readOnly = control.hasStyle(resources::kStyleReadOnly) || !control.isEnabled();
  d.painter.fillRect(area, ColourOf(readOnly ? theme::kReadOnlyGrey : theme::kFieldWhite));
  d.painter.setPen(ColourOf(focused ? theme::kFocusBlue : theme::kLineGrey));
  d.painter.drawRect(area.adjusted(0, 0, -1, -1));
  if (focused) d.painter.drawRect(area.adjusted(1, 1, -2, -2));
  if (d.takesInput) d.hits.add({render::Hit::Kind::Control, {area.x(), area.y(), area.width(), area.height()}, control.id()});
  const bool password = control.hasStyle(resources::kStylePassword);
  QString text = ToQString(control.text());
  if (password) text = QString(text.size(), kMask);
  const QRect inside = area.adjusted(3, 2, -3, -2);
  const bool caret = focused && !readOnly;
  const QFontMetrics metrics = d.painter.fontMetrics();
  d.painter.save();
  d.painter.setClipRect(inside);
  if (control.hasStyle(resources::kStyleMultiline)) {
    DrawText(d.painter, inside, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text, ColourOf(theme::kBlack));
  } else {
    // The field scrolls so that its end, where typing goes on, stays in view.
    const int width = metrics.horizontalAdvance(text);
    const int shift = caret ? std::max(width + 2 - inside.width(), 0) : 0;
    const QRect line = inside.adjusted(-shift, 0, 0, 0);
    DrawText(d.painter, QRect(line.x(), line.y(), std::max(width + 2, inside.width() + shift), line.height()),
             Qt::AlignLeft | Qt::AlignVCenter, text, ColourOf(theme::kBlack));
    if (caret) {
      const int x = line.x() + width + 1;
      d.painter.fillRect(QRect(x, inside.y() + (inside.height() - kTextPixels - 2) / 2, 1, kTextPixels + 2),
                         ColourOf(theme::kBlack));
    }
  }
  d.painter.restore();
}

void DrawListView(FormDrawing& d, const platform::Control& control, const QRect& area, bool focused) {
  d.painter.fillRect(area, ColourOf(theme::kWhite));
  QRect inside = area;
  if (control.hasStyle(resources::kStyleBorder)) {
    d.painter.setPen(ColourOf(focused ? theme::kFocusBlue : theme::kLineGrey));
    d.painter.drawRect(area.adjusted(0, 0, -1, -1));
    inside = area.adjusted(1, 1, -1, -1);
  }
  if (d.takesInput) d.hits.add({render::Hit::Kind::Control, {area.x(), area.y(), area.width(), area.height()}, control.id()});
  d.painter.save();
  d.painter.setClipRect(inside);
  // The columns' places: widths in pixels, the last one to the edge.
  std::vector<QRect> columns;
  const auto& defined = control.columns();
  int x = inside.x();
  for (std::size_t i = 0; i < std::max<std::size_t>(defined.size(), 1) && x < inside.right(); ++i) {
    int width = inside.right() + 1 - x;
    if (i + 1 < defined.size()) width = std::clamp(defined[i].widthPixels, 1, width);
    columns.emplace_back(x, 0, width, 0);
    x += width;
  }
  const auto drawCells = [&](int y, int height, const auto& cellText, std::size_t cells, QColor ink) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
      const QRect cell(columns[i].x(), y, columns[i].width(), height);
      if (i < cells) DrawText(d.painter, cell.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, cellText(i), ink);
      if (i + 1 < columns.size()) {
        d.painter.setPen(ColourOf(theme::kSelectionGrey));
        d.painter.drawLine(cell.right(), y, cell.right(), y + height - 1);
      }
    }
  };
  int top = inside.y();
  if (!control.hasStyle(resources::kStyleListNoColumnHeader)) {
    d.painter.fillRect(QRect(inside.x(), top, inside.width(), kListHeaderHeight), ColourOf(theme::kButtonGrey));
    drawCells(top, kListHeaderHeight, [&](std::size_t i) { return ToQString(defined[i].heading); }, defined.size(),
              ColourOf(theme::kBlack));
    top += kListHeaderHeight;
  }
  const int visibleRows = std::max((inside.bottom() + 1 - top) / kListRowHeight, 1);
  const auto& rows = control.rows();
  const int selected = control.selectedRow();
  int first = 0;
  if (!control.hasStyle(resources::kStyleListNoScroll) && selected >= visibleRows) first = selected - visibleRows + 1;
  for (int i = 0; i <= visibleRows && first + i < static_cast<int>(rows.size()); ++i) {
    const int index = first + i;
    const QRect row(inside.x(), top + i * kListRowHeight, inside.width(), kListRowHeight);
    QColor ink = ColourOf(theme::kBlack);
    if (index == selected) {
      d.painter.fillRect(row, ColourOf(focused ? theme::kFocusBlue : theme::kSelectionGrey));
      if (focused) ink = ColourOf(theme::kWhite);
    }
    const auto& cells = rows[static_cast<std::size_t>(index)];
    drawCells(row.y(), row.height(), [&](std::size_t c) { return ToQString(cells[c]); }, cells.size(), ink);
    if (d.takesInput && i < visibleRows) {
      d.hits.add({render::Hit::Kind::ListRow, {row.x(), row.y(), row.width(), row.height()}, control.id(), index});
    }
  }
  d.painter.restore();
}

void DrawProgress(FormDrawing& d, const platform::Control& control, const QRect& area) {
  d.painter.fillRect(area, ColourOf(theme::kTrack));
  const int span = control.rangeHigh() - control.rangeLow();
  if (span > 0) {
    const long done = std::clamp(static_cast<long>(control.position() - control.rangeLow()), 0L, static_cast<long>(span));
    const int width = static_cast<int>(done * (area.width() - 2) / span);
    d.painter.fillRect(QRect(area.x() + 1, area.y() + 1, width, area.height() - 2), ColourOf(theme::kProgressBlue));
  }
  d.painter.setPen(ColourOf(theme::kLineGrey));
  d.painter.drawRect(area.adjusted(0, 0, -1, -1));
}

// The part of `source` that lies on the image, and where it lands in `target`.
void DrawClippedImage(QPainter& painter, const QRectF& target, const QImage& image, const QRectF& source) {
  const QRectF on = source.intersected(QRectF(image.rect()));
  if (on.isEmpty()) return;
  const double sx = target.width() / source.width();
  const double sy = target.height() / source.height();
  const QRectF land(target.x() + (on.x() - source.x()) * sx, target.y() + (on.y() - source.y()) * sy, on.width() * sx,
                    on.height() * sy);
  painter.drawImage(land, image, on);
}

QImage ToQImage(const render::Image& image) {
  QImage out(image.width, image.height, QImage::Format_RGB32);
  for (int y = 0; y < image.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < image.width; ++x) {
      const render::Rgb& pixel = image.at(x, y);
      line[x] = qRgb(pixel.r, pixel.g, pixel.b);
    }
  }
  return out;
}

void DrawPicture(FormDrawing& d, render::PictureLibrary& pictures, const platform::Control& control,
                 const QRect& formArea) {
  const platform::Picture& picture = control.picture();
  if (picture.resource == 0) return;
  const render::Image* image = pictures.find(picture.resource);
  if (image == nullptr) return;
  const QImage pixels = ToQImage(*image);
  d.painter.save();
  d.painter.setClipRect(formArea);
  if (picture.mode == platform::PictureMode::Stretch) {
    DrawClippedImage(d.painter, ControlRect(control, d.origin), pixels,
                     QRectF(picture.sourceX, picture.sourceY, image->width, image->height));
  } else {
    // Copied at its own size to the window's corner, at the offset given.
    d.painter.drawImage(d.origin + QPoint(picture.sourceX, picture.sourceY), pixels);
  }
  d.painter.restore();
}

}  // namespace

QRect ControlRect(const platform::Control& control, QPoint origin) {
  const auto& r = control.rect();
  const int unit = render::kPixelsPerDialogUnit;
  return {origin.x() + r.x * unit, origin.y() + r.y * unit, std::max(r.width * unit, 1), std::max(r.height * unit, 1)};
}

QFont WindowFont(int pixelSize, bool bold) {
  QFont font(QString::fromLatin1(kFontFamily));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

QColor ColourOf(render::Rgb rgb) { return {rgb.r, rgb.g, rgb.b}; }

QString ToQString(const std::u16string& text) {
  QString out = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
  out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return out;
}

QSize FormSize(const platform::Form& form) {
  const resources::DialogTemplate* source = form.dialogTemplate();
  const int unit = render::kPixelsPerDialogUnit;
  return {(source != nullptr ? source->width : 137) * unit, (source != nullptr ? source->height : 125) * unit};
}

void DrawForm(FormDrawing& d, render::PictureLibrary& pictures, const platform::Form& form) {
  const QRect area(d.origin, FormSize(form));
  d.painter.fillRect(area, ColourOf(theme::kWhite));
  d.painter.setFont(WindowFont(kTextPixels));
  // What was drawn into a placeholder shows even when the placeholder itself is hidden.
  for (const auto& control : form.controls()) DrawPicture(d, pictures, *control, area);
  for (const auto& control : form.controls()) {
    if (!control->isVisible()) continue;
    const QRect place = ControlRect(*control, d.origin);
    const bool focused = d.takesInput && form.focus() != 0 && control->id() == form.focus();
    switch (control->kind()) {
      case ControlKind::Static: DrawStatic(d, *control, place); break;
      case ControlKind::Button: DrawButton(d, *control, place, focused); break;
      case ControlKind::RadioButton: DrawRadio(d, *control, place, focused); break;
      case ControlKind::GroupBox: DrawGroupBox(d, *control, place); break;
      case ControlKind::Edit: DrawEdit(d, *control, place, focused); break;
      case ControlKind::ListView: DrawListView(d, *control, place, focused); break;
      case ControlKind::ProgressBar: DrawProgress(d, *control, place); break;
      case ControlKind::Picture: break;  // only what is drawn into it shows
    }
  }
}

}  // namespace p42r::frontends::gui
