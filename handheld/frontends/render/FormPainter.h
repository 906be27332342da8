// Draws a whole form at its scale: the white background, the pictures the
// program drew into its controls' rectangles (also into hidden placeholders,
// which exist only to mark where a picture goes), then its visible controls.
#pragma once

#include "frontends/render/ControlPainter.h"
#include "frontends/render/PictureLibrary.h"
#include "platform/Form.h"

namespace p42r::frontends::render {

// `focus`: whether the form's focused control is shown as such (the form takes input).
void PaintForm(PaintContext& context, PictureLibrary& pictures, const platform::Form& form, Focus focus);

// One picture: stretched into the control's rectangle from its source origin
// with the bitmap's full size, or copied at the bitmap's own size with its
// top-left corner at the origin pair (in pixels of the form) when the
// display cannot stretch. Clipped to the form.
void PaintControlPicture(PaintContext& context, PictureLibrary& pictures, const platform::Control& control);

}  // namespace p42r::frontends::render
