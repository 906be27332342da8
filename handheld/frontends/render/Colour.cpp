#include "frontends/render/Colour.h"

#include <array>
#include <cstdlib>

namespace p42r::frontends::render {

namespace {

constexpr std::array<int, 6> kCubeLevels = {0, 95, 135, 175, 215, 255};

// The first sixteen palette entries as xterm paints them by default.
constexpr std::array<Rgb, 16> kStandard = {{
    {0, 0, 0}, {205, 0, 0}, {0, 205, 0}, {205, 205, 0},
    {0, 0, 238}, {205, 0, 205}, {0, 205, 205}, {229, 229, 229},
    {127, 127, 127}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {92, 92, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

int NearestCubeLevel(int value) {
  int best = 0;
  for (int i = 1; i < 6; ++i) {
    if (std::abs(kCubeLevels[static_cast<std::size_t>(i)] - value) <
        std::abs(kCubeLevels[static_cast<std::size_t>(best)] - value)) {
      best = i;
    }
  }
  return best;
}

}  // namespace

int ColourDistance(Rgb a, Rgb b) {
  const int dr = a.r - b.r;
  const int dg = a.g - b.g;
  const int db = a.b - b.b;
  // Weighted towards green, as the eye is.
  return 2 * dr * dr + 4 * dg * dg + 3 * db * db;
}

int Luminance(Rgb colour) { return (299 * colour.r + 587 * colour.g + 114 * colour.b) / 1000; }

Rgb Palette256(std::uint8_t index) {
  if (index < 16) return kStandard[index];
  if (index >= 232) {
    const auto grey = static_cast<std::uint8_t>(8 + 10 * (index - 232));
    return {grey, grey, grey};
  }
  const int cube = index - 16;
  return {static_cast<std::uint8_t>(kCubeLevels[static_cast<std::size_t>(cube / 36)]),
          static_cast<std::uint8_t>(kCubeLevels[static_cast<std::size_t>((cube / 6) % 6)]),
          static_cast<std::uint8_t>(kCubeLevels[static_cast<std::size_t>(cube % 6)])};
}

std::uint8_t Nearest256(Rgb colour) {
  const int r = NearestCubeLevel(colour.r);
  const int g = NearestCubeLevel(colour.g);
  const int b = NearestCubeLevel(colour.b);
  const auto cubeIndex = static_cast<std::uint8_t>(16 + 36 * r + 6 * g + b);
  // The grey ramp often lies closer for colours near grey.
  const int average = (colour.r + colour.g + colour.b) / 3;
  int step = (average - 3) / 10;
  if (step < 0) step = 0;
  if (step > 23) step = 23;
  const auto greyIndex = static_cast<std::uint8_t>(232 + step);
  return ColourDistance(colour, Palette256(greyIndex)) < ColourDistance(colour, Palette256(cubeIndex)) ? greyIndex
                                                                                                       : cubeIndex;
}

std::uint8_t Nearest8(Rgb colour) {
  std::uint8_t best = 0;
  for (std::uint8_t i = 1; i < 8; ++i) {
    if (ColourDistance(colour, kStandard[i]) < ColourDistance(colour, kStandard[best])) best = i;
  }
  return best;
}

}  // namespace p42r::frontends::render
