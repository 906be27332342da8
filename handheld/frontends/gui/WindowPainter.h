// The window's picture of the display: what the terminal interface draws as
// cells, drawn here as pixels at the handheld's own geometry (two pixels per
// dialog unit) and scaled by a whole factor. Pure: the same display state and
// options give the same picture, so tests paint a screen into an image and
// compare it with a reference image.
//
// Top to bottom: the title bar (the frame's title, the wait badge while a
// screen is busy), the active form, the open dialogs over it with their
// caption, and the open message boxes over everything. The hit map is in
// handheld pixels and lists only what takes input now.
#pragma once

#include <QImage>
#include <QPainter>
#include <QSize>

#include "frontends/render/HitMap.h"
#include "frontends/render/PictureLibrary.h"
#include "platform/Display.h"

namespace p42r::frontends::gui {

// The handheld's screen in its own pixels: the title bar above the form area.
inline constexpr int kTitleBarHeight = 26;
inline constexpr int kFormWidth = 274;
inline constexpr int kFormHeight = 250;
inline constexpr QSize kScreenSize{kFormWidth, kTitleBarHeight + kFormHeight};

struct PaintOptions {
  // The highlighted button of the topmost message box (0 is its first button).
  int selectedButton = 0;
  // A control held down by the mouse, drawn pressed (0: none).
  std::uint16_t pressedControl = 0;
};

// Paints the display in handheld pixels onto `painter` (scale it first);
// the regions that take input.
render::HitMap PaintWindow(QPainter& painter, const platform::Display& display, render::PictureLibrary& pictures,
                           const PaintOptions& options);

// The display as an image at `scale` pixels per handheld pixel.
QImage RenderWindow(const platform::Display& display, render::PictureLibrary& pictures, const PaintOptions& options,
                    int scale = 1);

}  // namespace p42r::frontends::gui
