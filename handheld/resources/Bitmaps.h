// The program's icon and bitmap resources 130-143, carried inside the binary
// as the 24-bit BMP files in bitmaps/ (drawn by bitmaps/draw_bitmaps.py).
//   128      the program icon, 32 x 32 (also the desktop menu's icon)
//   130-137  the update animation frames; frame n shows n + 1 filled squares
//   138      the reception picture 圏外 (out of service area)
//   139-142  the reception pictures: an antenna with three, no, one, two bars
//   143      the start-up picture
#pragma once

#include <cstdint>
#include <span>

namespace p42r::resources {

inline constexpr int kBitmapProgramIcon = 128;
inline constexpr int kBitmapAnimationFirst = 130;
inline constexpr int kBitmapAnimationFrames = 8;
inline constexpr int kBitmapOutOfService = 138;
inline constexpr int kBitmapThreeBars = 139;
inline constexpr int kBitmapNoBars = 140;
inline constexpr int kBitmapOneBar = 141;
inline constexpr int kBitmapTwoBars = 142;
inline constexpr int kBitmapStartup = 143;

// The BMP file of bitmap resource `id`; empty when the program has no such bitmap.
std::span<const std::uint8_t> FindBitmap(int id);

}  // namespace p42r::resources
