// The ID text encryption: AES-128 with the program's fixed key in
// electronic-codebook mode (each 16-byte block on its own, no chaining), the
// last block padded with zero bytes, the result as lower-case hex digits.
// Every text is encrypted whole, whatever its length. Holds no state.
#pragma once

#include <string>
#include <string_view>

#include "platform/TextConversion.h"

namespace p42r::access {

class CUB_D55AESEnc {
 public:
  explicit CUB_D55AESEnc(const platform::CodePage& codePage);

  // The text in the device's ANSI code page, one byte taken per character,
  // encrypted: 32 hex digits per started block of 16 bytes, so an empty text
  // gives an empty result.
  std::u16string EncryptToHex(std::u16string_view text) const;

 private:
  const platform::CodePage& codePage_;
};

}  // namespace p42r::access
