// Colours of the render model: every cell carries 24-bit RGB. Terminals
// without true colour get the nearest entry of their palette from here, so
// the choice is the same on every terminal and can be tested.
#pragma once

#include <cstdint>

namespace p42r::frontends::render {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend constexpr bool operator==(Rgb, Rgb) = default;
};

// What a terminal can show.
enum class ColourDepth : std::uint8_t { Monochrome, Basic8, Palette256, TrueColour };

// The nearest colour of the xterm 256-colour palette, from its colour cube and
// grey ramp (indices 16-255); the first sixteen entries are left out because
// every terminal theme paints them differently.
std::uint8_t Nearest256(Rgb colour);
// The colour of palette entry `index` as xterm defines it.
Rgb Palette256(std::uint8_t index);
// The nearest of the eight basic terminal colours (0 black ... 7 white).
std::uint8_t Nearest8(Rgb colour);

// Perceived brightness, 0 (black) to 255 (white).
int Luminance(Rgb colour);
// Squared distance between two colours, a measure of how far apart they look.
int ColourDistance(Rgb a, Rgb b);

}  // namespace p42r::frontends::render
