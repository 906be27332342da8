#include "frontends/render/BmpDecoder.h"

#include <limits>

namespace p42r::frontends::render {

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::uint32_t kCompressionNone = 0;

std::uint16_t Read16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t Read32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

struct Header {
  std::int64_t width = 0;
  std::int64_t height = 0;  // negative: rows stored top-down
  std::uint32_t planes = 0;
  std::uint32_t bitsPerPixel = 0;
  std::uint32_t compression = kCompressionNone;
  std::uint32_t coloursUsed = 0;
  std::size_t paletteEntrySize = 4;
};

std::variant<Header, BmpError> ReadHeader(std::span<const std::uint8_t> bytes, std::size_t headerSize) {
  Header header;
  const std::size_t at = kFileHeaderSize;
  if (headerSize == 12) {
    header.width = Read16(bytes, at + 4);
    header.height = Read16(bytes, at + 6);
    header.planes = Read16(bytes, at + 8);
    header.bitsPerPixel = Read16(bytes, at + 10);
    header.paletteEntrySize = 3;
    return header;
  }
  if (headerSize != 40 && headerSize != 52 && headerSize != 56 && headerSize != 108 && headerSize != 124) {
    return BmpError::UnsupportedHeader;
  }
  header.width = static_cast<std::int32_t>(Read32(bytes, at + 4));
  header.height = static_cast<std::int32_t>(Read32(bytes, at + 8));
  header.planes = Read16(bytes, at + 12);
  header.bitsPerPixel = Read16(bytes, at + 14);
  header.compression = Read32(bytes, at + 16);
  header.coloursUsed = Read32(bytes, at + 32);
  return header;
}

}  // namespace

const char* BmpErrorText(BmpError error) {
  switch (error) {
    case BmpError::Truncated: return "the file is shorter than its headers say";
    case BmpError::NotBmp: return "not a BMP file";
    case BmpError::UnsupportedHeader: return "unknown BMP header";
    case BmpError::UnsupportedFormat: return "unsupported compression or bit depth";
    case BmpError::BadDimensions: return "impossible picture dimensions";
    case BmpError::TooLarge: return "the picture is too large";
    case BmpError::BadPalette: return "bad colour palette";
  }
  return "unknown error";
}

std::variant<Image, BmpError> DecodeBmp(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kFileHeaderSize + 4) return BmpError::Truncated;
  if (bytes[0] != 'B' || bytes[1] != 'M') return BmpError::NotBmp;
  const std::uint32_t pixelOffset = Read32(bytes, 10);
  const std::uint32_t headerSize = Read32(bytes, kFileHeaderSize);
  if (headerSize < 12 || headerSize > bytes.size() - kFileHeaderSize) return BmpError::Truncated;
  const auto parsed = ReadHeader(bytes, headerSize);
  if (const auto* error = std::get_if<BmpError>(&parsed)) return *error;
  const Header& header = std::get<Header>(parsed);

  if (header.planes != 1 || header.width <= 0 || header.height == 0 ||
      header.height == std::numeric_limits<std::int32_t>::min()) {
    return BmpError::BadDimensions;
  }
  const std::int64_t width = header.width;
  const bool topDown = header.height < 0;
  const std::int64_t height = topDown ? -header.height : header.height;
  if (width * height > kMaxBmpPixels) return BmpError::TooLarge;
  const std::uint32_t bits = header.bitsPerPixel;
  if (header.compression != kCompressionNone ||
      (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
    return BmpError::UnsupportedFormat;
  }

  // The palette follows the info header.
  std::vector<Rgb> palette;
  if (bits <= 8) {
    const std::uint64_t most = 1ull << bits;
    const std::uint64_t count = header.coloursUsed == 0 ? most : header.coloursUsed;
    if (count > most) return BmpError::BadPalette;
    const std::uint64_t start = kFileHeaderSize + headerSize;
    if (start + count * header.paletteEntrySize > bytes.size()) return BmpError::Truncated;
    for (std::uint64_t i = 0; i < count; ++i) {
      const auto at = static_cast<std::size_t>(start + i * header.paletteEntrySize);
      palette.push_back({bytes[at + 2], bytes[at + 1], bytes[at]});
    }
  }

  const std::uint64_t stride = ((static_cast<std::uint64_t>(width) * bits + 31) / 32) * 4;
  if (pixelOffset < kFileHeaderSize + headerSize || pixelOffset > bytes.size() ||
      stride * static_cast<std::uint64_t>(height) > bytes.size() - pixelOffset) {
    return BmpError::Truncated;
  }

  Image image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.resize(static_cast<std::size_t>(width * height));
  for (std::int64_t y = 0; y < height; ++y) {
    const std::int64_t storedRow = topDown ? y : height - 1 - y;
    const auto row = static_cast<std::size_t>(pixelOffset + static_cast<std::uint64_t>(storedRow) * stride);
    for (std::int64_t x = 0; x < width; ++x) {
      Rgb& pixel = image.pixels[static_cast<std::size_t>(y * width + x)];
      const auto ux = static_cast<std::size_t>(x);
      if (bits == 24 || bits == 32) {
        const std::size_t at = row + ux * (bits / 8);
        pixel = {bytes[at + 2], bytes[at + 1], bytes[at]};
        continue;
      }
      const std::size_t bitPosition = ux * bits;
      const std::uint8_t byte = bytes[row + bitPosition / 8];
      const auto shift = static_cast<unsigned>(8 - bits - bitPosition % 8);
      const std::size_t index = (byte >> shift) & ((1u << bits) - 1);
      if (index >= palette.size()) return BmpError::BadPalette;
      pixel = palette[index];
    }
  }
  return image;
}

}  // namespace p42r::frontends::render
