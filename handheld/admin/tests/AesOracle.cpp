#include "admin/tests/AesOracle.h"

#include <openssl/evp.h>

#include <stdexcept>
#include <vector>

namespace p42r::admin {

std::string OracleHex(const std::string& text) {
  const std::string key = "R2417KTQWVHPXN83";
  std::string padded = text;
  padded.resize((text.size() + 15) / 16 * 16, '\0');
  std::vector<unsigned char> out(padded.size() + 16);
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  int written = 0;
  int last = 0;
  const bool ok =
      context != nullptr &&
      EVP_EncryptInit_ex(context, EVP_aes_128_ecb(), nullptr, reinterpret_cast<const unsigned char*>(key.data()),
                         nullptr) == 1 &&
      EVP_CIPHER_CTX_set_padding(context, 0) == 1 &&
      EVP_EncryptUpdate(context, out.data(), &written, reinterpret_cast<const unsigned char*>(padded.data()),
                        static_cast<int>(padded.size())) == 1 &&
      EVP_EncryptFinal_ex(context, out.data() + written, &last) == 1;
  EVP_CIPHER_CTX_free(context);
  if (!ok) throw std::runtime_error("the reference cipher failed");
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (int i = 0; i < written + last; ++i) {
    const unsigned char byte = out[static_cast<std::size_t>(i)];
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0x0F]);
  }
  return hex;
}

}  // namespace p42r::admin
