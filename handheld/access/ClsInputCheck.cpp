#include "access/ClsInputCheck.h"

namespace p42r::access {

namespace {

constexpr std::size_t kMinimumLength = 2;

std::size_t MaximumLength(LengthClass lengthClass) { return lengthClass == LengthClass::Password ? 10 : 20; }

bool IsDomainCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || c == u'.' || c == u'-';
}

}  // namespace

LengthCheck ClsInputCheck::CheckLength(std::u16string_view text, LengthClass lengthClass) {
  if (text.size() < kMinimumLength) return LengthCheck::TooShort;
  if (text.size() > MaximumLength(lengthClass)) return LengthCheck::TooLong;
  return LengthCheck::Acceptable;
}

bool ClsInputCheck::CheckPasswordChars(std::u16string_view text) {
  for (const char16_t c : text) {
    if (c < 33 || c > 126) return false;
  }
  return true;
}

DomainCharsCheck ClsInputCheck::CheckDomainChars(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool atEdge = i == 0 || i + 1 == text.size();
    if (atEdge && (c == u'.' || c == u'-')) return DomainCharsCheck::PunctuationAtEdge;
    if (!IsDomainCharacter(c)) return DomainCharsCheck::DisallowedCharacter;
  }
  return DomainCharsCheck::Accepted;
}

}  // namespace p42r::access
