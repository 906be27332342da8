// AES with a 128-bit key (10 rounds), encryption only, in the table-driven
// form: byte substitution, row shift and column mix merged into four
// 256-entry word tables. The tables are generated once per process, on first
// use, and are read-only afterwards, so any thread may encrypt. The key
// schedule belongs to each object.
#pragma once

#include <array>
#include <cstdint>

namespace p42r::access {

class Aes128 {
 public:
  using Key = std::array<std::uint8_t, 16>;
  using Block = std::array<std::uint8_t, 16>;

  // Expands `key` with the AES-128 key schedule.
  explicit Aes128(const Key& key);

  // Encrypts one 16-byte block.
  Block EncryptBlock(const Block& plain) const;

 private:
  std::array<std::uint32_t, 44> roundKeys_{};
};

}  // namespace p42r::access
