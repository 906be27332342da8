#include "access/ClsInputCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace p42r::access {
namespace {

TEST(CheckLength, EachClassHasItsRangeAndTooShortComesFirst) {
  struct Case {
    std::size_t length;
    LengthClass lengthClass;
    LengthCheck expected;
  };
  const Case cases[] = {
      {0, LengthClass::Password, LengthCheck::TooShort},    {1, LengthClass::Password, LengthCheck::TooShort},
      {2, LengthClass::Password, LengthCheck::Acceptable},  {10, LengthClass::Password, LengthCheck::Acceptable},
      {11, LengthClass::Password, LengthCheck::TooLong},    {1, LengthClass::DomainName, LengthCheck::TooShort},
      {2, LengthClass::DomainName, LengthCheck::Acceptable}, {20, LengthClass::DomainName, LengthCheck::Acceptable},
      {21, LengthClass::DomainName, LengthCheck::TooLong},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClsInputCheck::CheckLength(std::u16string(c.length, u'a'), c.lengthClass), c.expected)
        << c.length << " characters, class " << static_cast<int>(c.lengthClass);
  }
  EXPECT_EQ(static_cast<int>(LengthCheck::TooLong), 1);
  EXPECT_EQ(static_cast<int>(LengthCheck::TooShort), 2);
  // Characters count, not bytes: ten kana are ten characters.
  EXPECT_EQ(ClsInputCheck::CheckLength(u"あいうえおかきくけこ", LengthClass::Password), LengthCheck::Acceptable);
}

TEST(CheckPasswordChars, AcceptsPrintableAsciiWithoutTheSpace) {
  EXPECT_TRUE(ClsInputCheck::CheckPasswordChars(u"!~azAZ09"));
  EXPECT_TRUE(ClsInputCheck::CheckPasswordChars(u""));
  for (const char16_t bad : {u' ', u'\t', u'\0', char16_t{127}, char16_t{0xA0}, u'あ', u'Ａ'}) {
    EXPECT_FALSE(ClsInputCheck::CheckPasswordChars(std::u16string(u"ab") + bad + u"cd")) << int{bad};
  }
}

TEST(CheckDomainChars, TheFirstOffendingCharacterDecides) {
  struct Case {
    std::u16string text;
    DomainCharsCheck expected;
  };
  const std::vector<Case> cases = {
      {u"example.co.jp", DomainCharsCheck::Accepted},
      {u"a--b..c-9", DomainCharsCheck::Accepted},
      {u"0123", DomainCharsCheck::Accepted},
      {u"", DomainCharsCheck::Accepted},
      {u"Example.jp", DomainCharsCheck::DisallowedCharacter},
      {u"a_b", DomainCharsCheck::DisallowedCharacter},
      {u"a b", DomainCharsCheck::DisallowedCharacter},
      {u"ドメイン", DomainCharsCheck::DisallowedCharacter},
      {u"Ab-", DomainCharsCheck::DisallowedCharacter},  // the capital comes first
      {u"-ab", DomainCharsCheck::PunctuationAtEdge},
      {u"ab.", DomainCharsCheck::PunctuationAtEdge},
      {u"ab_.", DomainCharsCheck::DisallowedCharacter},
      {u".aB", DomainCharsCheck::PunctuationAtEdge},
      {u"-", DomainCharsCheck::PunctuationAtEdge},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ClsInputCheck::CheckDomainChars(c.text), c.expected) << c.text.size() << " characters";
  }
  EXPECT_EQ(static_cast<int>(DomainCharsCheck::DisallowedCharacter), 1);
  EXPECT_EQ(static_cast<int>(DomainCharsCheck::PunctuationAtEdge), 2);
}

}  // namespace
}  // namespace p42r::access
