// Text conversion between the program's wide text (UTF-16), the handheld's
// ANSI code page (932 by default) used on the wire and in data files, and
// UTF-8 for the host's terminals, files and pipes. Done by iconv.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace p42r::platform {

// One direction-pair of conversions for an ANSI code page. Thread-safe.
class CodePage {
 public:
  // `name` is an iconv encoding name such as "CP932". Throws std::runtime_error
  // when iconv does not know it.
  explicit CodePage(const std::string& name = "CP932");
  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  const std::string& name() const { return name_; }

  // Characters the code page lacks become '?', as the platform's default character.
  std::string toAnsi(std::u16string_view text) const;
  // Bytes that form no character become U+FFFD.
  std::u16string toWide(std::string_view bytes) const;
  // The same for one piece of text that arrives in pieces: a character that
  // the end of `bytes` cuts short is left out, and `cutOff` tells how many of
  // its bytes there are (0: none), to go before the next piece.
  std::u16string toWidePiece(std::string_view bytes, std::size_t& cutOff) const;

 private:
  struct Converters;
  std::string name_;
  std::unique_ptr<Converters> converters_;
};

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);

}  // namespace p42r::platform
