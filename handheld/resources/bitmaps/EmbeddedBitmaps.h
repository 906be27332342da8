// The bitmap files as the build embeds them: one entry per resource id, in
// ascending order. Generated from the .bmp files beside this header.
#pragma once

#include <cstdint>
#include <span>

namespace p42r::resources {

struct EmbeddedBitmap {
  int id;
  std::span<const std::uint8_t> bytes;
};

std::span<const EmbeddedBitmap> EmbeddedBitmaps();

}  // namespace p42r::resources
