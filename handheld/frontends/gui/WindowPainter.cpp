#include "frontends/gui/WindowPainter.h"

#include <algorithm>

#include "frontends/gui/FormDrawing.h"
#include "frontends/render/DisplayRenderer.h"
#include "frontends/render/MessageBoxPainter.h"
#include "frontends/render/Theme.h"
#include "frontends/render/TextWidth.h"
#include "platform/Form.h"

namespace p42r::frontends::gui {

namespace theme = render::theme;

namespace {

constexpr int kBoxMargin = 10;
constexpr int kBoxCaptionHeight = 22;
constexpr int kBoxButtonWidth = 76;
constexpr int kBoxButtonHeight = 26;
constexpr int kIconSize = 32;

const QRect kFormArea(0, kTitleBarHeight, kFormWidth, kFormHeight);

QString FromUtf32(std::u32string_view text) {
  return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

void PaintTitleBar(QPainter& painter, const platform::Display& display) {
  const QRect bar(0, 0, kFormWidth, kTitleBarHeight);
  painter.fillRect(bar, ColourOf(theme::kTitleBlue));
  QRect text = bar.adjusted(6, 0, -6, 0);
  if (display.waitCursor()) {
    painter.setFont(WindowFont(kTextPixels, true));
    const QString badge = FromUtf32(render::kWaitBadge).trimmed();
    const int width = painter.fontMetrics().horizontalAdvance(badge) + 10;
    const QRect place(bar.right() - 4 - width, bar.y() + 4, width, bar.height() - 8);
    painter.fillRect(place, ColourOf(theme::kWaitYellow));
    painter.setPen(ColourOf(theme::kBlack));
    painter.drawText(place, Qt::AlignCenter, badge);
    text.setRight(place.left() - 4);
  }
  painter.setFont(WindowFont(14, true));
  painter.setPen(ColourOf(theme::kWhite));
  const QString title = painter.fontMetrics().elidedText(ToQString(display.title()), Qt::ElideRight, text.width());
  painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, title);
}

void PaintCaption(QPainter& painter, const QRect& bar, const QString& text) {
  painter.fillRect(bar, ColourOf(theme::kTitleBlue));
  painter.setFont(WindowFont(kTextPixels, true));
  painter.setPen(ColourOf(theme::kWhite));
  painter.drawText(bar.adjusted(6, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   painter.fontMetrics().elidedText(text, Qt::ElideRight, bar.width() - 12));
}

void PaintShadowAndFrame(QPainter& painter, const QRect& box) {
  painter.fillRect(box.translated(3, 3), QColor(0, 0, 0, 90));
  painter.fillRect(box, ColourOf(theme::kWhite));
  painter.setPen(ColourOf(theme::kTitleBlue));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
}

void PaintDialog(QPainter& painter, render::HitMap& hits, render::PictureLibrary& pictures,
                 const platform::Form& dialog, bool takesInput) {
  hits.clear();
  const QSize size = FormSize(dialog);
  const QRect whole(kFormArea.x() + (kFormArea.width() - size.width()) / 2,
                    kFormArea.y() + std::max((kFormArea.height() - size.height() - kBoxCaptionHeight) / 2, 0),
                    size.width(), size.height() + kBoxCaptionHeight);
  PaintShadowAndFrame(painter, whole);
  const QString caption =
      dialog.dialogTemplate() != nullptr ? ToQString(std::u16string(dialog.dialogTemplate()->caption)) : QString();
  PaintCaption(painter, QRect(whole.x(), whole.y(), whole.width(), kBoxCaptionHeight), caption);
  FormDrawing drawing{painter, hits, QPoint(whole.x(), whole.y() + kBoxCaptionHeight), takesInput, 0};
  DrawForm(drawing, pictures, dialog);
}

// The box's icon, drawn rather than taken from a theme so that it looks the
// same on every desktop: a blue disc with "i" or "?", an orange triangle with "!".
void PaintIcon(QPainter& painter, const QRect& place, platform::MessageBoxIcon icon) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(Qt::NoPen);
  QString mark;
  if (icon == platform::MessageBoxIcon::Exclamation) {
    painter.setBrush(ColourOf(theme::kExclamationOrange));
    const QPolygonF triangle({QPointF(place.center().x() + 0.5, place.top()), QPointF(place.right() + 1, place.bottom() + 1),
                              QPointF(place.left(), place.bottom() + 1)});
    painter.drawPolygon(triangle);
    mark = QStringLiteral("!");
  } else {
    painter.setBrush(ColourOf(theme::kFocusBlue));
    painter.drawEllipse(place);
    mark = icon == platform::MessageBoxIcon::Question ? QStringLiteral("?") : QStringLiteral("i");
  }
  painter.setPen(ColourOf(theme::kWhite));
  painter.setFont(WindowFont(20, true));
  painter.drawText(place.adjusted(0, icon == platform::MessageBoxIcon::Exclamation ? 6 : 0, 0, 0), Qt::AlignCenter, mark);
  painter.restore();
}

void PaintMessageBox(QPainter& painter, render::HitMap& hits, const platform::MessageBoxState& box, int selected) {
  hits.clear();
  const bool hasIcon = box.icon != platform::MessageBoxIcon::None;
  const int textLeft = kBoxMargin + (hasIcon ? kIconSize + kBoxMargin : 0);
  const int width = kFormWidth - 2 * 8;
  const int textWidth = width - textLeft - kBoxMargin;
  painter.setFont(WindowFont(kTextPixels));
  const QString text = ToQString(box.text);
  const QRect needed = painter.fontMetrics().boundingRect(QRect(0, 0, textWidth, 10000), Qt::TextWordWrap, text);
  const int bodyHeight = std::max(needed.height(), hasIcon ? kIconSize : 0);
  const int height = std::min(kBoxCaptionHeight + kBoxMargin + bodyHeight + kBoxMargin + kBoxButtonHeight + kBoxMargin,
                              kFormArea.height() - 8);
  const QRect frame(kFormArea.x() + (kFormArea.width() - width) / 2,
                    kFormArea.y() + (kFormArea.height() - height) / 2, width, height);
  PaintShadowAndFrame(painter, frame);
  PaintCaption(painter, QRect(frame.x(), frame.y(), frame.width(), kBoxCaptionHeight), ToQString(box.caption));
  const int top = frame.y() + kBoxCaptionHeight + kBoxMargin;
  if (hasIcon) PaintIcon(painter, QRect(frame.x() + kBoxMargin, top, kIconSize, kIconSize), box.icon);
  const int buttonsTop = frame.bottom() + 1 - kBoxMargin - kBoxButtonHeight;
  painter.save();
  painter.setClipRect(QRect(frame.x() + textLeft, top, textWidth, buttonsTop - top));
  painter.setFont(WindowFont(kTextPixels));
  painter.setPen(ColourOf(theme::kBlack));
  painter.drawText(QRect(frame.x() + textLeft, top, textWidth, bodyHeight), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   text);
  painter.restore();
  const auto answers = render::MessageBoxAnswers(box);
  const int count = static_cast<int>(answers.size());
  int x = frame.x() + (frame.width() - count * kBoxButtonWidth - (count - 1) * kBoxMargin) / 2;
  for (int i = 0; i < count; ++i) {
    const QRect button(x, buttonsTop, kBoxButtonWidth, kBoxButtonHeight);
    const bool chosen = i == selected;
    painter.setPen(ColourOf(theme::kLineGrey));
    painter.setBrush(ColourOf(chosen ? theme::kFocusBlue : theme::kButtonGrey));
    painter.drawRoundedRect(QRectF(button).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(ColourOf(chosen ? theme::kWhite : theme::kBlack));
    painter.drawText(button, Qt::AlignCenter,
                     answers[static_cast<std::size_t>(i)] == platform::IDCANCEL ? QStringLiteral("キャンセル")
                                                                                : QStringLiteral("OK"));
    hits.add({render::Hit::Kind::MessageBoxButton, {button.x(), button.y(), button.width(), button.height()}, 0, -1,
              answers[static_cast<std::size_t>(i)]});
    x += kBoxButtonWidth + kBoxMargin;
  }
}

}  // namespace

render::HitMap PaintWindow(QPainter& painter, const platform::Display& display, render::PictureLibrary& pictures,
                           const PaintOptions& options) {
  render::HitMap hits;
  painter.fillRect(QRect(QPoint(0, 0), kScreenSize), ColourOf(theme::kWhite));
  const platform::Form* target = display.inputTarget();
  painter.save();
  painter.setClipRect(kFormArea);
  if (const platform::Form* form = display.activeForm()) {
    FormDrawing drawing{painter, hits, kFormArea.topLeft(), form == target, options.pressedControl};
    DrawForm(drawing, pictures, *form);
  }
  for (const platform::Form* dialog : display.openDialogs()) {
    PaintDialog(painter, hits, pictures, *dialog, dialog == target);
  }
  const auto& boxes = display.openMessageBoxes();
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    PaintMessageBox(painter, hits, *boxes[i], i + 1 == boxes.size() ? options.selectedButton : -1);
  }
  painter.restore();
  PaintTitleBar(painter, display);
  return hits;
}

QImage RenderWindow(const platform::Display& display, render::PictureLibrary& pictures, const PaintOptions& options,
                    int scale) {
  QImage image(kScreenSize * scale, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.scale(scale, scale);
  PaintWindow(painter, display, pictures, options);
  return image;
}

}  // namespace p42r::frontends::gui
