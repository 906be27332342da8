// Drawing one form and its controls in handheld pixels: a dialog unit is two
// pixels, list columns are given in pixels, bitmaps are drawn pixel for pixel
// (stretched into their placeholder without smoothing). The colours are the
// terminal interface's, after the handheld's own look.
#pragma once

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QRect>
#include <QString>

#include "frontends/render/Colour.h"
#include "frontends/render/HitMap.h"
#include "frontends/render/PictureLibrary.h"
#include "platform/Form.h"

namespace p42r::frontends::gui {

// The font family the window's text is set in (Debian's fonts-ipafont-gothic).
inline constexpr const char* kFontFamily = "IPAGothic";

struct FormDrawing {
  QPainter& painter;
  render::HitMap& hits;
  QPoint origin;                 // the form's top-left corner
  bool takesInput = false;       // the form is the input target: focus shows, hits count
  std::uint16_t pressed = 0;     // a button held down
};

// The size the window's text is set in, in handheld pixels.
inline constexpr int kTextPixels = 12;

// A form's size in handheld pixels, from its template.
QSize FormSize(const platform::Form& form);

void DrawForm(FormDrawing& drawing, render::PictureLibrary& pictures, const platform::Form& form);

// Where a control of a form at `origin` sits, in handheld pixels.
QRect ControlRect(const platform::Control& control, QPoint origin);

QFont WindowFont(int pixelSize, bool bold = false);
QColor ColourOf(render::Rgb rgb);
// Wide text as Qt text; the handheld's CR LF line breaks become LF.
QString ToQString(const std::u16string& text);

}  // namespace p42r::frontends::gui
