// The single-byte code page of the serial line. Scenario texts are written in
// UTF-8; the card sends them in the code page the handheld expects (CP932 by
// default), so a Japanese application name reaches the screen intact.
#pragma once

#include <string>
#include <string_view>

namespace p42r::card {

class WireEncoding {
public:
  // "UTF-8" sends texts unchanged; any other name is an iconv code set.
  // Throws CardError (invalid input) for a code set iconv does not know.
  explicit WireEncoding(std::string name);

  const std::string& name() const { return name_; }

  // Throws CardError (invalid input) when `text` is not UTF-8 or has a
  // character the code page cannot hold.
  std::string fromUtf8(std::string_view text) const;

private:
  std::string name_;
  bool passThrough_;
};

}  // namespace p42r::card
