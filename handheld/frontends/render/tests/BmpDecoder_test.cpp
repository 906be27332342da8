// The BMP decoder on files built here byte by byte: the formats it reads,
// and hostile files (cut short, lying headers, huge sizes) that must be
// refused without reading outside the bytes given.
#include "frontends/render/BmpDecoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace p42r::frontends::render {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

struct BmpLayout {
  int width = 2;
  int height = 2;  // negative: top-down
  int bits = 24;
  std::vector<Rgb> palette;
  // One value per pixel, rows as stored: a palette index, or 0xRRGGBB.
  std::vector<std::uint32_t> stored;
};

Bytes MakeBmp(const BmpLayout& layout) {
  const std::size_t paletteBytes = layout.palette.size() * 4;
  const std::size_t offset = 14 + 40 + paletteBytes;
  const int rows = layout.height < 0 ? -layout.height : layout.height;
  const std::size_t stride = ((static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.bits) + 31) / 32) * 4;
  Bytes b(offset + stride * static_cast<std::size_t>(rows), 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<std::uint32_t>(b.size()));
  Put32(b, 10, static_cast<std::uint32_t>(offset));
  Put32(b, 14, 40);
  Put32(b, 18, static_cast<std::uint32_t>(layout.width));
  Put32(b, 22, static_cast<std::uint32_t>(layout.height));
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<std::uint32_t>(layout.bits));
  Put32(b, 46, static_cast<std::uint32_t>(layout.palette.size()));
  for (std::size_t i = 0; i < layout.palette.size(); ++i) {
    b[54 + 4 * i] = layout.palette[i].b;
    b[55 + 4 * i] = layout.palette[i].g;
    b[56 + 4 * i] = layout.palette[i].r;
  }
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < layout.width; ++x) {
      const std::uint32_t value = layout.stored[static_cast<std::size_t>(y * layout.width + x)];
      const std::size_t row = offset + static_cast<std::size_t>(y) * stride;
      if (layout.bits >= 24) {
        const std::size_t at = row + static_cast<std::size_t>(x * layout.bits / 8);
        b[at] = static_cast<std::uint8_t>(value);
        b[at + 1] = static_cast<std::uint8_t>(value >> 8);
        b[at + 2] = static_cast<std::uint8_t>(value >> 16);
      } else {
        const std::size_t bit = static_cast<std::size_t>(x * layout.bits);
        b[row + bit / 8] |= static_cast<std::uint8_t>(value << (8 - layout.bits - static_cast<int>(bit % 8)));
      }
    }
  }
  return b;
}

Image Decoded(const Bytes& bytes) {
  auto result = DecodeBmp(bytes);
  if (auto* error = std::get_if<BmpError>(&result)) {
    ADD_FAILURE() << "decoding failed: " << BmpErrorText(*error);
    return {};
  }
  return std::get<Image>(std::move(result));
}

BmpError Refused(const Bytes& bytes) {
  auto result = DecodeBmp(bytes);
  if (std::holds_alternative<Image>(result)) {
    ADD_FAILURE() << "a malformed file was accepted";
    return BmpError::NotBmp;
  }
  return std::get<BmpError>(result);
}

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

TEST(BmpFormats, TwentyFourBitRowsAreStoredBottomUpWithPadding) {
  // Three pixels of three bytes need three bytes of padding per row.
  const Image image = Decoded(MakeBmp({3, 2, 24, {}, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x102030}}));
  ASSERT_EQ(image.width, 3);
  ASSERT_EQ(image.height, 2);
  EXPECT_EQ(image.at(0, 1), kRed);  // the first stored row is the bottom one
  EXPECT_EQ(image.at(2, 1), kBlue);
  EXPECT_EQ(image.at(0, 0), kWhite);
  EXPECT_EQ(image.at(2, 0), (Rgb{0x10, 0x20, 0x30}));
}

TEST(BmpFormats, NegativeHeightMeansTopDown) {
  const Image image = Decoded(MakeBmp({1, -2, 24, {}, {0xFF0000, 0x00FF00}}));
  EXPECT_EQ(image.at(0, 0), kRed);
  EXPECT_EQ(image.at(0, 1), kGreen);
}

TEST(BmpFormats, ThirtyTwoBitPixels) {
  const Image image = Decoded(MakeBmp({2, 1, 32, {}, {0x0000FF, 0x00FF00}}));
  EXPECT_EQ(image.at(0, 0), kBlue);
  EXPECT_EQ(image.at(1, 0), kGreen);
}

TEST(BmpFormats, PalettedPixelsOfOneFourAndEightBits) {
  const std::vector<Rgb> two = {kRed, kBlue};
  const Image one = Decoded(MakeBmp({9, 1, 1, two, {0, 1, 1, 0, 0, 0, 0, 0, 1}}));
  EXPECT_EQ(one.at(0, 0), kRed);
  EXPECT_EQ(one.at(1, 0), kBlue);
  EXPECT_EQ(one.at(8, 0), kBlue);  // the ninth pixel sits in the second byte

  const std::vector<Rgb> four = {kRed, kGreen, kBlue, kWhite};
  const Image nibbles = Decoded(MakeBmp({3, 1, 4, four, {3, 1, 2}}));
  EXPECT_EQ(nibbles.at(0, 0), kWhite);
  EXPECT_EQ(nibbles.at(1, 0), kGreen);
  EXPECT_EQ(nibbles.at(2, 0), kBlue);

  const Image bytes = Decoded(MakeBmp({2, 1, 8, four, {2, 0}}));
  EXPECT_EQ(bytes.at(0, 0), kBlue);
  EXPECT_EQ(bytes.at(1, 0), kRed);
}

TEST(BmpFormats, CoreHeaderWithTwentyFourBits) {
  Bytes b(14 + 12 + 4, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, 26);
  Put32(b, 14, 12);
  Put16(b, 18, 1);
  Put16(b, 20, 1);
  Put16(b, 22, 1);
  Put16(b, 24, 24);
  b[26] = 0x30;  // blue
  b[27] = 0x20;
  b[28] = 0x10;
  const Image image = Decoded(b);
  EXPECT_EQ(image.at(0, 0), (Rgb{0x10, 0x20, 0x30}));
}

TEST(BmpRefusals, WhatIsNoBmpOrAnUnknownKind) {
  EXPECT_EQ(Refused({}), BmpError::Truncated);
  EXPECT_EQ(Refused({'B', 'M'}), BmpError::Truncated);
  Bytes notBmp = MakeBmp({1, 1, 24, {}, {0}});
  notBmp[0] = 'P';
  EXPECT_EQ(Refused(notBmp), BmpError::NotBmp);

  Bytes header = MakeBmp({1, 1, 24, {}, {0}});
  Put32(header, 14, 44);
  EXPECT_EQ(Refused(header), BmpError::UnsupportedHeader);
  Bytes compressed = MakeBmp({1, 1, 24, {}, {0}});
  Put32(compressed, 30, 1);
  EXPECT_EQ(Refused(compressed), BmpError::UnsupportedFormat);
  Bytes sixteen = MakeBmp({1, 1, 24, {}, {0}});
  Put16(sixteen, 28, 16);
  EXPECT_EQ(Refused(sixteen), BmpError::UnsupportedFormat);
}

TEST(BmpRefusals, ImpossibleOrHugeDimensions) {
  Bytes zeroWidth = MakeBmp({1, 1, 24, {}, {0}});
  Put32(zeroWidth, 18, 0);
  EXPECT_EQ(Refused(zeroWidth), BmpError::BadDimensions);
  Bytes negativeWidth = MakeBmp({1, 1, 24, {}, {0}});
  Put32(negativeWidth, 18, 0xFFFFFFFF);
  EXPECT_EQ(Refused(negativeWidth), BmpError::BadDimensions);
  Bytes zeroHeight = MakeBmp({1, 1, 24, {}, {0}});
  Put32(zeroHeight, 22, 0);
  EXPECT_EQ(Refused(zeroHeight), BmpError::BadDimensions);
  Bytes lowestHeight = MakeBmp({1, 1, 24, {}, {0}});
  Put32(lowestHeight, 22, 0x80000000);
  EXPECT_EQ(Refused(lowestHeight), BmpError::BadDimensions);
  Bytes planes = MakeBmp({1, 1, 24, {}, {0}});
  Put16(planes, 26, 2);
  EXPECT_EQ(Refused(planes), BmpError::BadDimensions);
  // A header that promises a giant picture is refused before anything is allocated.
  Bytes huge = MakeBmp({1, 1, 24, {}, {0}});
  Put32(huge, 18, 0x7FFFFFFF);
  Put32(huge, 22, 0x7FFFFFFF);
  EXPECT_EQ(Refused(huge), BmpError::TooLarge);
  // Large but allowed: the pixels are not there.
  Bytes promised = MakeBmp({1, 1, 24, {}, {0}});
  Put32(promised, 18, 4000);
  Put32(promised, 22, 4000);
  EXPECT_EQ(Refused(promised), BmpError::Truncated);
}

TEST(BmpRefusals, PalettesThatLie) {
  const std::vector<Rgb> two = {kRed, kBlue};
  Bytes tooMany = MakeBmp({1, 1, 1, two, {0}});
  Put32(tooMany, 46, 3);  // three colours for one bit
  EXPECT_EQ(Refused(tooMany), BmpError::BadPalette);
  Bytes pastTheEnd = MakeBmp({1, 1, 8, two, {5}});  // index 5 of two colours
  EXPECT_EQ(Refused(pastTheEnd), BmpError::BadPalette);
  Bytes missing = MakeBmp({1, 1, 8, two, {0}});
  Put32(missing, 46, 200);
  EXPECT_EQ(Refused(missing), BmpError::Truncated);
}

TEST(BmpRefusals, PixelOffsetsOutsideTheFile) {
  Bytes inHeader = MakeBmp({1, 1, 24, {}, {0}});
  Put32(inHeader, 10, 20);
  EXPECT_EQ(Refused(inHeader), BmpError::Truncated);
  Bytes beyond = MakeBmp({1, 1, 24, {}, {0}});
  Put32(beyond, 10, 0xFFFFFFF0);
  EXPECT_EQ(Refused(beyond), BmpError::Truncated);
}

TEST(BmpRefusals, EveryCutOfAValidFileIsRefused) {
  const Bytes whole = MakeBmp({5, 3, 24, {}, std::vector<std::uint32_t>(15, 0x336699)});
  for (std::size_t length = 0; length < whole.size(); ++length) {
    const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_FALSE(std::holds_alternative<Image>(DecodeBmp(cut))) << "accepted a file cut at " << length;
  }
}

TEST(BmpRefusals, CorruptedHeaderBytesNeverReadOutsideTheFile) {
  // Under the sanitizers this finds any read past the buffer.
  const Bytes whole = MakeBmp({4, 4, 8, {kRed, kGreen, kBlue, kWhite}, std::vector<std::uint32_t>(16, 2)});
  for (std::size_t at = 0; at < 14 + 40 + 16; ++at) {
    for (int value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      Bytes corrupted = whole;
      corrupted[at] = static_cast<std::uint8_t>(value);
      auto result = DecodeBmp(corrupted);
      if (const auto* image = std::get_if<Image>(&result)) {
        EXPECT_EQ(image->pixels.size(), static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height));
      }
    }
  }
}

}  // namespace
}  // namespace p42r::frontends::render
