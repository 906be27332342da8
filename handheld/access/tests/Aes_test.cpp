#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>

#include "access/Aes128.h"
#include "access/CUB_D55AESEnc.h"

namespace p42r::access {
namespace {

std::string Hex(const std::uint8_t* bytes, std::size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text.push_back(digits[bytes[i] >> 4]);
    text.push_back(digits[bytes[i] & 0x0F]);
  }
  return text;
}

// An independent AES-128-ECB over the text's bytes padded with zeros to whole blocks.
std::string OracleHex(const std::string& text) {
  const std::string key = "R2417KTQWVHPXN83";
  std::string padded = text;
  padded.resize((text.size() + 15) / 16 * 16, '\0');
  std::vector<std::uint8_t> out(padded.size() + 16);
  EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
  int written = 0;
  int last = 0;
  EXPECT_EQ(EVP_EncryptInit_ex(context, EVP_aes_128_ecb(), nullptr,
                               reinterpret_cast<const unsigned char*>(key.data()), nullptr),
            1);
  EVP_CIPHER_CTX_set_padding(context, 0);
  EXPECT_EQ(EVP_EncryptUpdate(context, out.data(), &written, reinterpret_cast<const unsigned char*>(padded.data()),
                              static_cast<int>(padded.size())),
            1);
  EXPECT_EQ(EVP_EncryptFinal_ex(context, out.data() + written, &last), 1);
  EVP_CIPHER_CTX_free(context);
  return Hex(out.data(), static_cast<std::size_t>(written + last));
}

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

TEST(Aes128, EncryptsThePublishedExampleVector) {
  Aes128::Key key{};
  Aes128::Block plain{};
  for (std::uint8_t i = 0; i < 16; ++i) {
    key[i] = i;
    plain[i] = static_cast<std::uint8_t>(i * 0x11);
  }
  const Aes128::Block cipher = Aes128(key).EncryptBlock(plain);
  EXPECT_EQ(Hex(cipher.data(), cipher.size()), "69c4e0d86a7b0430d8cdb78070b4c55a");
}

struct Encryptor : ::testing::Test {
  platform::CodePage codePage;
  CUB_D55AESEnc encryptor{codePage};
};

TEST_F(Encryptor, MatchesAnIndependentCipherForEveryLengthTheIdFieldAllows) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> printable(32, 126);
  for (std::size_t length = 0; length <= 64; ++length) {
    for (int sample = 0; sample < 4; ++sample) {
      std::string text;
      for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>(printable(random)));
      const std::u16string hex = encryptor.EncryptToHex(Wide(text));
      ASSERT_EQ(hex, Wide(OracleHex(text))) << "length " << length;
      ASSERT_EQ(hex.size(), (length + 15) / 16 * 32) << "every character is encrypted";
    }
  }
}

TEST_F(Encryptor, BlocksAreIndependentAndPaddedWithZeros) {
  EXPECT_EQ(encryptor.EncryptToHex(u""), u"");
  const std::u16string sixteen = encryptor.EncryptToHex(u"0123456789abcdef");
  ASSERT_EQ(sixteen.size(), 32u);
  const std::u16string twice = encryptor.EncryptToHex(u"0123456789abcdef0123456789abcdef");
  EXPECT_EQ(twice, sixteen + sixteen) << "electronic-codebook mode";
  const std::u16string seventeen = encryptor.EncryptToHex(u"0123456789abcdefZ");
  ASSERT_EQ(seventeen.size(), 64u);
  EXPECT_EQ(seventeen.substr(0, 32), sixteen);
  EXPECT_EQ(seventeen.substr(32), encryptor.EncryptToHex(u"Z")) << "the 17th byte, then 15 zero bytes";
  EXPECT_EQ(encryptor.EncryptToHex(u"Z"), encryptor.EncryptToHex(std::u16string(u"Z\0\0", 3)));
  EXPECT_EQ(encryptor.EncryptToHex(std::u16string(64, u'x')).size(), 128u);
  EXPECT_EQ(encryptor.EncryptToHex(std::u16string(200, u'x')).size(), 416u) << "longer texts are not cut";
  for (const char16_t c : encryptor.EncryptToHex(u"lower case only")) {
    EXPECT_TRUE((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f')) << int{c};
  }
}

TEST_F(Encryptor, TakesOneCodePageByteForEachCharacter) {
  // Two double-byte characters: their four bytes exist, two are taken.
  const std::string bytes = codePage.toAnsi(u"日本");
  ASSERT_EQ(bytes.size(), 4u);
  EXPECT_EQ(encryptor.EncryptToHex(u"日本"), Wide(OracleHex(bytes.substr(0, 2))));
}

}  // namespace
}  // namespace p42r::access
