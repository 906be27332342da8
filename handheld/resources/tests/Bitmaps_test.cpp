// The program icon as the desktop icon tool and the window read it: a
// 24-bit BMP of 32 x 32 pixels under its own resource number.
#include "resources/Bitmaps.h"

#include <gtest/gtest.h>

namespace p42r::resources {
namespace {

std::int32_t Field(std::span<const std::uint8_t> bmp, std::size_t at) {
  return static_cast<std::int32_t>(bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 | bmp[at + 3] << 24);
}

TEST(ProgramIcon, IsATwentyFourBitBmpOfThirtyTwoPixelsSquare) {
  const auto bmp = FindBitmap(kBitmapProgramIcon);
  ASSERT_EQ(bmp.size(), 54u + 32 * 32 * 3);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(Field(bmp, 18), 32);
  EXPECT_EQ(Field(bmp, 22), 32);
  EXPECT_EQ(bmp[28], 24);
}

}  // namespace
}  // namespace p42r::resources
