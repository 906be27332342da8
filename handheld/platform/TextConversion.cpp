#include "platform/TextConversion.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace p42r::platform {

namespace {

// One iconv descriptor with its lock (a descriptor keeps shift state).
class Converter {
 public:
  Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error("no conversion from " + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `input`; on a byte sequence it cannot convert it emits
  // `replacement` and skips `skip` input bytes. With `cutOff`, a sequence
  // that the end of `input` cuts short is left unconverted instead, and
  // `*cutOff` tells how many bytes it has (0 when there is none).
  std::string convert(std::string_view input, std::string_view replacement, std::size_t skip,
                      std::size_t* cutOff = nullptr) const {
    std::lock_guard lock(mutex_);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (cutOff != nullptr) *cutOff = 0;
    std::string output;
    // Most texts are one short line: their output buffer is kept between
    // calls. A long text gets one of its own, so that one long line does not
    // hold on to its memory for the rest of the run.
    const std::size_t wanted = std::min<std::size_t>(256 + input.size() * 4, kLongestBuffer);
    std::vector<char> ownBuffer;
    std::vector<char>& chunk = wanted <= kKeptBuffer ? chunk_ : ownBuffer;
    if (chunk.size() < wanted) chunk.resize(wanted);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
      char* out = chunk.data();
      std::size_t outLeft = chunk.size();
      const std::size_t result = iconv(cd_, &in, &inLeft, &out, &outLeft);
      output.append(chunk.data(), chunk.size() - outLeft);
      if (result != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) continue;
      if (errno == EINVAL && cutOff != nullptr) {
        *cutOff = inLeft;
        break;
      }
      // EILSEQ or EINVAL (a sequence cut off at the end): replace and go on.
      output.append(replacement);
      const std::size_t step = std::min(skip, inLeft);
      in += step;
      inLeft -= step;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return output;
  }

 private:
  static constexpr std::size_t kKeptBuffer = 4096;
  static constexpr std::size_t kLongestBuffer = 64 * 1024;

  iconv_t cd_;
  mutable std::mutex mutex_;
  mutable std::vector<char> chunk_;
};

bool IsAscii(std::string_view bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsAscii(std::u16string_view text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

// Whether the code page's bytes below 0x80 are the ASCII characters, both
// ways, so that ASCII text, nearly everything the card says, needs no iconv
// call at all.
bool KeepsAscii(const Converter& toAnsi, const Converter& toWide) {
  std::string ascii(0x80, '\0');
  std::u16string wide(0x80, u'\0');
  for (std::size_t code = 0; code < ascii.size(); ++code) {
    ascii[code] = static_cast<char>(code);
    wide[code] = static_cast<char16_t>(code);
  }
  const std::string wideBytes(reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(char16_t));
  return toWide.convert(ascii, "", 1) == wideBytes && toAnsi.convert(wideBytes, "", sizeof(char16_t)) == ascii;
}

std::string_view AsBytes(std::u16string_view text) {
  return {reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t)};
}

std::u16string FromBytes(const std::string& bytes) {
  std::u16string text(bytes.size() / sizeof(char16_t), u'\0');
  if (!text.empty()) std::memcpy(text.data(), bytes.data(), text.size() * sizeof(char16_t));
  return text;
}

const std::string kReplacementUtf16{"\xFD\xFF", 2};  // U+FFFD, little-endian

const Converter& Utf16ToUtf8() {
  static const Converter converter("UTF-8", "UTF-16LE");
  return converter;
}

const Converter& Utf8ToUtf16() {
  static const Converter converter("UTF-16LE", "UTF-8");
  return converter;
}

}  // namespace

struct CodePage::Converters {
  explicit Converters(const std::string& name)
      : toAnsi(name, "UTF-16LE"), toWide("UTF-16LE", name), keepsAscii(KeepsAscii(toAnsi, toWide)) {}
  Converter toAnsi;
  Converter toWide;
  bool keepsAscii;
};

CodePage::CodePage(const std::string& name) : name_(name), converters_(std::make_unique<Converters>(name)) {}

CodePage::~CodePage() = default;

std::string CodePage::toAnsi(std::u16string_view text) const {
  if (converters_->keepsAscii && IsAscii(text)) return std::string(text.begin(), text.end());
  return converters_->toAnsi.convert(AsBytes(text), "?", sizeof(char16_t));
}

std::u16string CodePage::toWide(std::string_view bytes) const {
  if (converters_->keepsAscii && IsAscii(bytes)) return std::u16string(bytes.begin(), bytes.end());
  return FromBytes(converters_->toWide.convert(bytes, kReplacementUtf16, 1));
}

std::u16string CodePage::toWidePiece(std::string_view bytes, std::size_t& cutOff) const {
  cutOff = 0;
  // In the ANSI code pages no character begins with a byte below 0x80.
  if (bytes.empty() || static_cast<unsigned char>(bytes.back()) < 0x80) return toWide(bytes);
  return FromBytes(converters_->toWide.convert(bytes, kReplacementUtf16, 1, &cutOff));
}

std::string ToUtf8(std::u16string_view text) {
  if (IsAscii(text)) return std::string(text.begin(), text.end());
  return Utf16ToUtf8().convert(AsBytes(text), "\xEF\xBF\xBD", sizeof(char16_t));
}

std::u16string FromUtf8(std::string_view text) {
  if (IsAscii(text)) return std::u16string(text.begin(), text.end());
  return FromBytes(Utf8ToUtf16().convert(text, kReplacementUtf16, 1));
}

}  // namespace p42r::platform
