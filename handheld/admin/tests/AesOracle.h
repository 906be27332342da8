// An AES-128 independent of the program's own, for checking the cipher text
// the ID registration sends.
#pragma once

#include <string>

namespace p42r::admin {

// AES-128-ECB under the program's fixed key over `text`'s bytes padded with
// zero bytes to whole blocks, in lower-case hex.
std::string OracleHex(const std::string& text);

}  // namespace p42r::admin
