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

// ASCII text skips iconv where the code page keeps ASCII; the result must be
// what iconv gives, including the yen/backslash and overline/tilde bytes
// some Japanese tables map elsewhere, and text mixing ASCII with more.
TEST(CodePage932, EveryAsciiByteIsItsOwnCharacterBothWays) {
  const CodePage codePage;
  std::string bytes;
  std::u16string text;
  for (int code = 0; code < 0x80; ++code) {
    bytes += static_cast<char>(code);
    text += static_cast<char16_t>(code);
  }
  EXPECT_EQ(codePage.toWide(bytes), text);
  EXPECT_EQ(codePage.toAnsi(text), bytes);
  EXPECT_EQ(codePage.toWide("\\~"), u"\\~");
  EXPECT_EQ(codePage.toWide("OK \x82\xA0"), u"OK あ");
  EXPECT_EQ(codePage.toAnsi(u"OK あ"), "OK \x82\xA0");
  EXPECT_EQ(ToUtf8(text), bytes);
  EXPECT_EQ(FromUtf8(bytes), text);
}

// A text longer than the conversion buffer is converted in several rounds,
// and a short one after it still comes out whole.
TEST(CodePage932, ALongTextConvertsWholeBothWaysAndShortOnesAfterIt) {
  const CodePage codePage;
  const std::u16string text(40000, u'あ');
  const std::string bytes = codePage.toAnsi(text);
  ASSERT_EQ(bytes.size(), 80000u);
  EXPECT_EQ(bytes.substr(79998), "\x82\xA0");
  EXPECT_EQ(codePage.toWide(bytes), text);
  EXPECT_EQ(codePage.toWide("\x82\xA0OK"), u"あOK");
}

// A code page whose bytes below 0x80 are not ASCII goes through iconv.
TEST(CodePageNames, ACodePageThatDoesNotKeepAsciiConvertsItsOwnWay) {
  const CodePage ebcdic("IBM037");
  EXPECT_EQ(ebcdic.toWide("\x40"), u" ");
  EXPECT_EQ(ebcdic.toAnsi(u"A"), "\xC1");
  const CodePage utf16("UTF-16LE");
  EXPECT_EQ(utf16.toWide("AB"), u"\u4241");
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

TEST(CodePage932, APieceLeavesOutOnlyTheStartOfACharacterCutOffAtItsEnd) {
  const CodePage codePage;
  struct Piece {
    std::string bytes;
    std::u16string text;
    std::size_t cutOff;
  };
  for (const Piece& piece : {
           Piece{"", u"", 0},
           Piece{"OK", u"OK", 0},
           Piece{"\x83\x50", u"ケ", 0},                   // a whole character
           Piece{"AB\x83", u"AB", 1},                      // a first byte waiting for its second
           Piece{"\x83\x50\x83", u"ケ", 1},
           Piece{"\x83\n", u"\uFFFD\n", 0},              // a first byte followed by no second byte
           Piece{"\x81\x81", u"\uFF1D", 0},               // a second byte in the range of first bytes
           Piece{"A\xA0", u"A\uFFFD", 0},                  // no character begins with 0xA0
       }) {
    std::size_t cutOff = 99;
    EXPECT_EQ(codePage.toWidePiece(piece.bytes, cutOff), piece.text) << piece.bytes;
    EXPECT_EQ(cutOff, piece.cutOff) << piece.bytes;
  }
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
