// Reads BMP files: bytes in, pixels or an error out. The decoder trusts
// nothing in the file: every size, offset and count is checked against the
// bytes that are really there before it is used, and pictures larger than
// kMaxBmpPixels are refused rather than allocated.
//
// Understood: the Windows info headers (40, 52, 56, 108 and 124 bytes) and
// the OS/2 core header (12 bytes); uncompressed pixels of 1, 4, 8, 24 and 32
// bits; rows stored bottom-up or top-down.
#pragma once

#include <cstdint>
#include <span>
#include <variant>
#include <vector>

#include "frontends/render/Colour.h"

namespace p42r::frontends::render {

inline constexpr std::int64_t kMaxBmpPixels = 4096 * 4096;

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // row by row from the top, `width` pixels each

  const Rgb& at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)]; }
};

enum class BmpError : std::uint8_t {
  Truncated,          // the file ends before what its headers promise
  NotBmp,             // no "BM" signature
  UnsupportedHeader,  // an info header of a size this decoder does not know
  UnsupportedFormat,  // compression, or a bit depth other than 1, 4, 8, 24, 32
  BadDimensions,      // zero or negative width, zero height, planes other than 1
  TooLarge,           // more than kMaxBmpPixels
  BadPalette,         // a palette larger than the bit depth allows, or a pixel past its end
};

const char* BmpErrorText(BmpError error);

std::variant<Image, BmpError> DecodeBmp(std::span<const std::uint8_t> bytes);

}  // namespace p42r::frontends::render
