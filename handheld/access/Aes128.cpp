#include "access/Aes128.h"

namespace p42r::access {

namespace {

// Multiplication by x in GF(2^8) modulo x^8 + x^4 + x^3 + x + 1.
std::uint8_t Times2(std::uint8_t value) {
  return static_cast<std::uint8_t>((value << 1) ^ ((value & 0x80) != 0 ? 0x1B : 0x00));
}

std::uint8_t Multiply(std::uint8_t a, std::uint8_t b) {
  std::uint8_t product = 0;
  while (b != 0) {
    if ((b & 1) != 0) product ^= a;
    a = Times2(a);
    b = static_cast<std::uint8_t>(b >> 1);
  }
  return product;
}

std::uint8_t RotateLeft8(std::uint8_t value, int shift) {
  return static_cast<std::uint8_t>((value << shift) | (value >> (8 - shift)));
}

std::uint32_t RotateRight32(std::uint32_t value, int shift) {
  return shift == 0 ? value : (value >> shift) | (value << (32 - shift));
}

struct Tables {
  std::array<std::uint8_t, 256> sbox{};
  // encryptRound[k][x]: the column contribution of byte x in row k.
  std::array<std::array<std::uint32_t, 256>, 4> encryptRound{};

  Tables() {
    // The S-box: the multiplicative inverse followed by the affine map.
    for (int x = 0; x < 256; ++x) {
      std::uint8_t inverse = 0;
      for (int y = 1; y < 256 && x != 0; ++y) {
        if (Multiply(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y)) == 1) {
          inverse = static_cast<std::uint8_t>(y);
          break;
        }
      }
      const std::uint8_t affine = static_cast<std::uint8_t>(inverse ^ RotateLeft8(inverse, 1) ^ RotateLeft8(inverse, 2) ^
                                                            RotateLeft8(inverse, 3) ^ RotateLeft8(inverse, 4) ^ 0x63);
      sbox[static_cast<std::size_t>(x)] = affine;
    }
    for (std::size_t x = 0; x < 256; ++x) {
      const std::uint8_t s = sbox[x];
      const std::uint8_t s2 = Times2(s);
      const std::uint8_t s3 = static_cast<std::uint8_t>(s2 ^ s);
      // Column {2s, s, s, 3s}, big-endian: row 0 in the high byte.
      const std::uint32_t word = (static_cast<std::uint32_t>(s2) << 24) | (static_cast<std::uint32_t>(s) << 16) |
                                 (static_cast<std::uint32_t>(s) << 8) | s3;
      for (int k = 0; k < 4; ++k) encryptRound[static_cast<std::size_t>(k)][x] = RotateRight32(word, 8 * k);
    }
  }
};

const Tables& SharedTables() {
  static const Tables tables;
  return tables;
}

std::uint32_t Load(const std::uint8_t* bytes) {
  return (static_cast<std::uint32_t>(bytes[0]) << 24) | (static_cast<std::uint32_t>(bytes[1]) << 16) |
         (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
}

void Store(std::uint32_t word, std::uint8_t* bytes) {
  bytes[0] = static_cast<std::uint8_t>(word >> 24);
  bytes[1] = static_cast<std::uint8_t>(word >> 16);
  bytes[2] = static_cast<std::uint8_t>(word >> 8);
  bytes[3] = static_cast<std::uint8_t>(word);
}

std::size_t Byte(std::uint32_t word, int index) { return (word >> (24 - 8 * index)) & 0xFF; }

std::uint32_t SubWord(const Tables& tables, std::uint32_t word) {
  return (static_cast<std::uint32_t>(tables.sbox[Byte(word, 0)]) << 24) |
         (static_cast<std::uint32_t>(tables.sbox[Byte(word, 1)]) << 16) |
         (static_cast<std::uint32_t>(tables.sbox[Byte(word, 2)]) << 8) | tables.sbox[Byte(word, 3)];
}

}  // namespace

Aes128::Aes128(const Key& key) {
  const Tables& tables = SharedTables();
  for (std::size_t i = 0; i < 4; ++i) roundKeys_[i] = Load(key.data() + 4 * i);
  std::uint8_t roundConstant = 0x01;
  for (std::size_t i = 4; i < roundKeys_.size(); ++i) {
    std::uint32_t temp = roundKeys_[i - 1];
    if (i % 4 == 0) {
      temp = SubWord(tables, (temp << 8) | (temp >> 24)) ^ (static_cast<std::uint32_t>(roundConstant) << 24);
      roundConstant = Times2(roundConstant);
    }
    roundKeys_[i] = roundKeys_[i - 4] ^ temp;
  }
}

Aes128::Block Aes128::EncryptBlock(const Block& plain) const {
  const Tables& tables = SharedTables();
  const auto& t = tables.encryptRound;
  std::array<std::uint32_t, 4> state{};
  for (std::size_t c = 0; c < 4; ++c) state[c] = Load(plain.data() + 4 * c) ^ roundKeys_[c];

  for (std::size_t round = 1; round < 10; ++round) {
    std::array<std::uint32_t, 4> next{};
    for (std::size_t c = 0; c < 4; ++c) {
      next[c] = t[0][Byte(state[c], 0)] ^ t[1][Byte(state[(c + 1) % 4], 1)] ^ t[2][Byte(state[(c + 2) % 4], 2)] ^
                t[3][Byte(state[(c + 3) % 4], 3)] ^ roundKeys_[4 * round + c];
    }
    state = next;
  }

  // The last round has no column mix.
  Block cipher{};
  for (std::size_t c = 0; c < 4; ++c) {
    const std::uint32_t word = (static_cast<std::uint32_t>(tables.sbox[Byte(state[c], 0)]) << 24) |
                               (static_cast<std::uint32_t>(tables.sbox[Byte(state[(c + 1) % 4], 1)]) << 16) |
                               (static_cast<std::uint32_t>(tables.sbox[Byte(state[(c + 2) % 4], 2)]) << 8) |
                               tables.sbox[Byte(state[(c + 3) % 4], 3)];
    Store(word ^ roundKeys_[40 + c], cipher.data() + 4 * c);
  }
  return cipher;
}

}  // namespace p42r::access
