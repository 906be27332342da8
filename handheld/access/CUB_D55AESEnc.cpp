#include "access/CUB_D55AESEnc.h"

#include <algorithm>
#include <vector>

#include "access/Aes128.h"

namespace p42r::access {

namespace {

constexpr std::string_view kKeyText = "R2417KTQWVHPXN83";
constexpr std::size_t kBlockSize = 16;

Aes128::Key KeyBytes() {
  Aes128::Key key{};
  std::copy(kKeyText.begin(), kKeyText.end(), key.begin());
  return key;
}

}  // namespace

CUB_D55AESEnc::CUB_D55AESEnc(const platform::CodePage& codePage) : codePage_(codePage) {}

std::u16string CUB_D55AESEnc::EncryptToHex(std::u16string_view text) const {
  // The schedule is computed afresh for every call; only the tables are shared.
  const Aes128 cipher(KeyBytes());

  // The input area holds whole blocks for any length, so nothing is cut and
  // nothing runs past it; the bytes after the text stay zero.
  const std::size_t length = text.size();
  const std::size_t blocks = (length + kBlockSize - 1) / kBlockSize;
  std::vector<std::uint8_t> input(blocks * kBlockSize, 0);
  const std::string ansi = codePage_.toAnsi(text);
  std::copy_n(ansi.begin(), std::min(length, ansi.size()), input.begin());

  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string hex;
  hex.reserve(blocks * kBlockSize * 2);
  for (std::size_t offset = 0; offset < input.size(); offset += kBlockSize) {
    Aes128::Block block{};
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(offset), kBlockSize, block.begin());
    for (const std::uint8_t byte : cipher.EncryptBlock(block)) {
      hex.push_back(kDigits[byte >> 4]);
      hex.push_back(kDigits[byte & 0x0F]);
    }
  }
  return hex;
}

}  // namespace p42r::access
