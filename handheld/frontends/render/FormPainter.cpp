#include "frontends/render/FormPainter.h"

#include "frontends/render/PicturePainter.h"
#include "frontends/render/Theme.h"

namespace p42r::frontends::render {

void PaintControlPicture(PaintContext& context, PictureLibrary& pictures, const platform::Control& control) {
  const platform::Picture& picture = control.picture();
  if (picture.resource == 0) return;
  const Image* image = pictures.find(picture.resource);
  if (image == nullptr) return;
  const CellRect savedClip = context.grid.clip();
  context.grid.setClip(savedClip.intersection(context.scale.form()));
  if (picture.mode == platform::PictureMode::Stretch) {
    PaintPicture(context.grid, context.scale.map(control.rect()), *image,
                 {static_cast<double>(picture.sourceX), static_cast<double>(picture.sourceY),
                  static_cast<double>(image->width), static_cast<double>(image->height)});
  } else {
    PaintPicture(context.grid, context.scale.mapPixels(picture.sourceX, picture.sourceY, image->width, image->height),
                 *image, {0, 0, static_cast<double>(image->width), static_cast<double>(image->height)});
  }
  context.grid.setClip(savedClip);
}

void PaintForm(PaintContext& context, PictureLibrary& pictures, const platform::Form& form, Focus focus) {
  const CellRect savedClip = context.grid.clip();
  context.grid.setClip(savedClip.intersection(context.scale.form()));
  context.grid.fill(context.scale.form(), theme::kForm);
  for (const auto& control : form.controls()) PaintControlPicture(context, pictures, *control);
  for (const auto& control : form.controls()) {
    const bool focused = focus == Focus::Focused && form.focus() != 0 && control->id() == form.focus();
    PaintControl(context, *control, focused ? Focus::Focused : Focus::None);
  }
  context.grid.setClip(savedClip);
}

}  // namespace p42r::frontends::render
