// Text widths, wrapping and the cell grid's handling of wide characters,
// the palettes, and the layout's scale: what decides where every character
// of a screen lands.
#include <gtest/gtest.h>

#include "frontends/render/CellGrid.h"
#include "frontends/render/Colour.h"
#include "frontends/render/Layout.h"
#include "frontends/render/TextWidth.h"
#include "resources/DialogTemplate.h"

namespace p42r::frontends::render {
namespace {

TEST(TextWidths, JapaneseTakesTwoCellsAndControlsNone) {
  EXPECT_EQ(TextWidth(U"終了"), 4);
  EXPECT_EQ(TextWidth(U"LED表示ON"), 9);
  EXPECT_EQ(TextWidth(U"（５０％）"), 10);  // full-width digits and brackets
  EXPECT_EQ(TextWidth(U"ｱｲｳ"), 3);          // half-width katakana
  EXPECT_EQ(CharWidth(U'\r'), 0);
  EXPECT_EQ(CharWidth(U'\x7F'), 0);
  EXPECT_EQ(CharWidth(U'\u0301'), 0);  // combining accent
}

TEST(TextWidths, Utf16SurrogatesAndLoneHalves) {
  EXPECT_EQ(DecodeUtf16(u"a\U0002000Bb"), U"a\U0002000Bb");
  EXPECT_EQ(DecodeUtf16(std::u16string{u'a', char16_t(0xD800), u'b'}), U"a\uFFFDb");
  EXPECT_EQ(DecodeUtf16(std::u16string{char16_t(0xDC00)}), U"\uFFFD");
  EXPECT_EQ(EncodeUtf8(U"終了x"), "終了x");
}

TEST(Wrapping, LineBreaksAndWidths) {
  EXPECT_EQ(WrapText(U"ソフトウェアアップデート中です。\r\nしばらくお待ちください。", 40),
            (std::vector<std::u32string>{U"ソフトウェアアップデート中です。", U"しばらくお待ちください。"}));
  EXPECT_EQ(WrapText(U"a\nb\rc", 10), (std::vector<std::u32string>{U"a", U"b", U"c"}));
  // Japanese breaks anywhere, never inside a character.
  EXPECT_EQ(WrapText(U"処理を選択", 5), (std::vector<std::u32string>{U"処理", U"を選", U"択"}));
  // Latin words move whole; a word too long for any line is cut.
  EXPECT_EQ(WrapText(U"CDMA 1X WIN", 8), (std::vector<std::u32string>{U"CDMA 1X", U"WIN"}));
  EXPECT_EQ(WrapText(U"abcdefghij", 4), (std::vector<std::u32string>{U"abcd", U"efgh", U"ij"}));
  EXPECT_EQ(WrapText(U"", 4), std::vector<std::u32string>{U""});
  // A closing mark never starts a line: the character before it comes along.
  EXPECT_EQ(WrapText(U"接続してください。", 16), (std::vector<std::u32string>{U"接続してくださ", U"い。"}));
  EXPECT_EQ(FittingTail(U"abc終了", 5), U"c終了");
  EXPECT_EQ(FittingTail(U"abc終了", 3), U"了");
}

TEST(CellGrids, WideCharactersOccupyTwoCellsAndAreNeverHalved) {
  const Style plain{};
  CellGrid grid(6, 1, plain);
  EXPECT_EQ(grid.text(0, 0, U"終了a", plain, 6), 5);
  EXPECT_EQ(grid.at(0, 0).width, 2);
  EXPECT_EQ(grid.at(1, 0).width, 0);
  EXPECT_EQ(grid.textRows()[0], "終了a");
  // Writing over the right half blanks the left half too.
  grid.put(1, 0, U'x', plain);
  EXPECT_EQ(grid.textRows()[0], " x了a");
  // Writing a wide character over the left half of another blanks that one's right half.
  grid.put(3, 0, U'表', plain);
  EXPECT_EQ(grid.textRows()[0], " x 表");
  // A wide character that would stick out of the clip becomes a blank.
  grid.setClip({0, 0, 6, 1});
  grid.put(5, 0, U'終', plain);
  EXPECT_EQ(grid.at(5, 0).character, U' ');
  EXPECT_EQ(grid.at(5, 0).width, 1);
  // Text stops where the next character no longer fits.
  CellGrid narrow(5, 1, plain);
  EXPECT_EQ(narrow.text(0, 0, U"ab終了", plain, 5), 4);
}

TEST(CellGrids, DrawingStaysInsideTheClip) {
  const Style plain{};
  CellGrid grid(5, 3, plain);
  grid.setClip({1, 1, 3, 1});
  grid.fill(grid.bounds(), plain, U'#');
  grid.box({0, 0, 5, 3}, plain);
  EXPECT_EQ(grid.text(), "\n ###\n\n");
  grid.resetClip();
  grid.box({0, 0, 5, 3}, plain, BoxLines::Double);
  EXPECT_EQ(grid.text(), "╔═══╗\n║###║\n╚═══╝\n");
}

TEST(Palettes, NearestEntriesOfTheCubeAndTheGreyRamp) {
  EXPECT_EQ(Nearest256({255, 255, 255}), 231);
  EXPECT_EQ(Nearest256({0, 0, 0}), 16);
  EXPECT_EQ(Nearest256({255, 0, 0}), 196);
  EXPECT_EQ(Nearest256({128, 128, 128}), 244);  // the grey ramp beats the cube here
  EXPECT_EQ(Nearest256({0, 51, 153}), 24);  // 0, 95, 135
  for (int index = 16; index < 256; ++index) {
    const auto entry = static_cast<std::uint8_t>(index);
    EXPECT_EQ(Palette256(Nearest256(Palette256(entry))), Palette256(entry)) << index;
  }
  EXPECT_EQ(Nearest8({250, 10, 10}), 1);
  EXPECT_EQ(Nearest8({20, 20, 240}), 4);
  EXPECT_EQ(Nearest8({250, 250, 250}), 7);
}

TEST(Layouts, SmallestTerminalFitsAScreenAndBiggerOnesGrowIt) {
  const ScreenAreas areas = SplitScreen(80, 24);
  EXPECT_EQ(areas.title, (CellRect{0, 0, 80, 1}));
  EXPECT_EQ(areas.body, (CellRect{0, 1, 80, 22}));
  EXPECT_EQ(areas.commandBar, (CellRect{0, 23, 80, 1}));
  const DialogScale small(areas.body, 137, 125);
  EXPECT_EQ(small.form(), (CellRect{5, 1, 69, 22}));
  const DialogScale big(SplitScreen(160, 50).body, 137, 125);
  EXPECT_GT(big.form().width, small.form().width);
  EXPECT_EQ(big.form().height, 48);
  // Wide terminals keep the form about as wide as high on the screen.
  const DialogScale wide(SplitScreen(300, 60).body, 137, 125);
  EXPECT_EQ(wide.form().height, 58);
  EXPECT_EQ(wide.form().width, 127);
  // Controls of one size get cells of one size wherever they sit.
  const CellRect upper = small.map({38, 55, 60, 14});
  const CellRect lower = small.map({80, 104, 60, 14});
  EXPECT_EQ(upper.width, lower.width);
  EXPECT_EQ(upper.height, lower.height);
  EXPECT_EQ(small.map({0, 0, 1, 1}).width, 1) << "nothing is less than a cell";
}

// Every text of every template fits its control on the smallest terminal:
// statics within their rows, buttons and radio buttons on their line.
TEST(Layouts, EveryTemplateTextFitsOnTheSmallestTerminal) {
  const ScreenAreas areas = SplitScreen(kMinimumColumns, kMinimumRows);
  for (const auto& dialog : resources::AllDialogs()) {
    const DialogScale scale(areas.body, dialog.width, dialog.height);
    EXPECT_LE(scale.form().right(), kMinimumColumns) << dialog.id;
    EXPECT_LE(scale.form().bottom(), areas.body.bottom()) << dialog.id;
    for (const auto& control : dialog.controls) {
      const CellRect area = scale.map(control.rect);
      const std::u32string text = DecodeUtf16(std::u16string(control.text));
      switch (control.kind) {
        case resources::ControlKind::Static:
          EXPECT_LE(static_cast<int>(WrapText(text, area.width).size()), area.height)
              << "template " << dialog.id << " control " << control.id;
          break;
        case resources::ControlKind::Button:
          EXPECT_LE(TextWidth(text) + 2, area.width) << "template " << dialog.id << " control " << control.id;
          break;
        case resources::ControlKind::RadioButton:
          EXPECT_LE(TextWidth(text) + 4, area.width) << "template " << dialog.id << " control " << control.id;
          break;
        default:
          break;
      }
    }
  }
}

}  // namespace
}  // namespace p42r::frontends::render
