#include "platform/TextConversion.h"

#include <gtest/gtest.h>

namespace p42r::platform {
namespace {

TEST(CodePage932, JapaneseTextRoundTripsThroughItsBytes) {
  const CodePage codePage;
  const std::u16string text = u"ケータイアップデート２０％";
  const std::string bytes = codePage.toAnsi(text);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x83\x50\x81\x5B", 4));
  EXPECT_EQ(bytes.size(), 2 * text.size());
  EXPECT_EQ(codePage.toWide(bytes), text);
}

TEST(CodePage932, AsciiCommandsStayOneBytePerCharacter) {
  const CodePage codePage;
  EXPECT_EQ(codePage.toAnsi(u"AT@KUPSTART\r\n"), "AT@KUPSTART\r\n");
  EXPECT_EQ(codePage.toWide("OK"), u"OK");
}

TEST(CodePage932, CharactersTheCodePageLacksBecomeQuestionMarks) {
  const CodePage codePage;
  EXPECT_EQ(codePage.toAnsi(u"a\u00E9b"), "a?b");   // no e-acute in 932
  EXPECT_EQ(codePage.toAnsi(u"a\xD800z"), "a?z");   // a lone surrogate
}

TEST(CodePage932, BytesThatFormNoCharacterBecomeReplacementCharacters) {
  const CodePage codePage;
  EXPECT_EQ(codePage.toWide(std::string("A\x81", 2)), u"A\uFFFD");   // a lead byte cut off
  EXPECT_EQ(codePage.toWide(std::string("\xA0Z", 2)), u"\uFFFDZ");
}

TEST(CodePage932, AnEmbeddedNulIsConvertedLikeAnyCharacter) {
  const CodePage codePage;
  EXPECT_EQ(codePage.toWide(std::string("O\0K", 3)), std::u16string(u"O\0K", 3));
}

TEST(CodePage932, OnlyTheStartOfACharacterCutOffAtTheEndIsATail) {
  const CodePage codePage;
  EXPECT_EQ(codePage.cutOffTail(""), 0u);
  EXPECT_EQ(codePage.cutOffTail("OK"), 0u);
  EXPECT_EQ(codePage.cutOffTail("\x83\x50"), 0u) << "a whole character";
  EXPECT_EQ(codePage.cutOffTail("AB\x83"), 1u) << "a lead byte waiting for its second byte";
  EXPECT_EQ(codePage.cutOffTail("\x83\x50\x83"), 1u);
  EXPECT_EQ(codePage.cutOffTail("\x83\n"), 0u) << "a lead byte followed by no second byte is no tail";
  EXPECT_EQ(codePage.cutOffTail("\x81\x81"), 0u) << "the second byte of a character is no lead byte";
}

TEST(CodePageNames, AnUnknownCodePageIsRefused) {
  EXPECT_THROW(CodePage("NO-SUCH-CODEPAGE"), std::runtime_error);
}

TEST(Utf8, WideTextAndUtf8ConvertBothWays) {
  EXPECT_EQ(ToUtf8(u"圏外 OK"), "\xE5\x9C\x8F\xE5\xA4\x96 OK");
  EXPECT_EQ(FromUtf8("\xE5\x9C\x8F\xE5\xA4\x96 OK"), u"圏外 OK");
  EXPECT_EQ(FromUtf8("a\xFFz"), u"a\uFFFDz");
  EXPECT_EQ(ToUtf8(u""), "");
}

}  // namespace
}  // namespace p42r::platform
