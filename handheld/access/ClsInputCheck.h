// The text validators that the password change screen and the
// connection-destination screen share: length classes, the password
// character set and the domain-name character rules. Stateless.
#pragma once

#include <cstdint>
#include <string_view>

namespace p42r::access {

// Which length range applies.
enum class LengthClass : std::uint8_t {
  Password = 0,    // 2 to 10 characters
  DomainName = 1,  // 2 to 20 characters
};

enum class LengthCheck : std::uint8_t { Acceptable = 0, TooLong = 1, TooShort = 2 };

enum class DomainCharsCheck : std::uint8_t {
  Accepted = 0,
  DisallowedCharacter = 1,  // outside 0-9, a-z, "." and "-"
  PunctuationAtEdge = 2,    // "." or "-" as the first or the last character
};

class ClsInputCheck {
 public:
  // Lengths count characters; the too-short test comes first.
  static LengthCheck CheckLength(std::u16string_view text, LengthClass lengthClass);
  // True when every character code lies between 33 and 126 (printable ASCII, no space).
  static bool CheckPasswordChars(std::u16string_view text);
  // Examines the characters from left to right; the first offending one decides.
  static DomainCharsCheck CheckDomainChars(std::u16string_view text);
};

}  // namespace p42r::access
