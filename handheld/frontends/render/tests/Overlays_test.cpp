// Message boxes and the about box drawn over the screen, and what a mouse
// click meets: controls and list rows on a screen, only the box's buttons
// while a box is open.
#include <gtest/gtest.h>

#include <optional>

#include "RenderFixture.h"
#include "frontends/render/MessageBoxPainter.h"
#include "frontends/render/TextWidth.h"
#include "platform/Form.h"
#include "platform/TextConversion.h"

namespace p42r::frontends::render::testing {
namespace {

using platform::IDCANCEL;
using platform::IDOK;

struct Overlays : RenderFixture {
  // Opens a message box, draws it from inside its modal loop and answers it.
  Rendering RenderWithBox(const std::u16string& text, std::uint32_t style, int selected = 0) {
    std::optional<Rendering> drawn;
    loop.postTask([&] {
      drawn = Render(80, 24, selected);
      display.answerMessageBox(IDCANCEL);
      display.answerMessageBox(IDOK);
    });
    display.messageBox(text, style);
    return std::move(*drawn);
  }

  std::optional<Hit> HitOn(const Rendering& drawn, std::string_view text) {
    const auto rows = drawn.grid.textRows();
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
      const auto at = rows[static_cast<std::size_t>(row)].find(text);
      if (at == std::string::npos) continue;
      // The column of the match: the display width of what precedes it.
      const int column = TextWidth(DecodeUtf16(platform::FromUtf8(rows[static_cast<std::size_t>(row)].substr(0, at))));
      return drawn.hits.at(column, row);
    }
    ADD_FAILURE() << "no " << text << " on the screen:\n" << drawn.grid.text();
    return std::nullopt;
  }
};

TEST_F(Overlays, ConfirmationBoxOverTheStartPage) {
  display.setApplicationTitle(u"P42RApplication");
  Show(208);
  const Rendering drawn = RenderWithBox(
      u"ケータイアップデートを始める前にAC電源を接続してください。\r\nケータイアップデート中はP42Rを取り外さないでください。\r\n"
      u"開始後は完了するまで中止できません。",
      platform::MB_OKCANCEL | platform::MB_ICONEXCLAMATION);
  ExpectSnapshot(drawn.grid, "power-warning-box");
  EXPECT_FALSE(drawn.cursor.has_value());
}

TEST_F(Overlays, ClicksReachOnlyTheBoxsButtons) {
  display.setApplicationTitle(u"P42RApplication");
  Show(216);
  const Rendering drawn = RenderWithBox(u"通信状態を取得できませんでした。", platform::MB_OKCANCEL | platform::MB_ICONQUESTION, 1);
  const auto ok = HitOn(drawn, "[ OK ]");
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(ok->kind, Hit::Kind::MessageBoxButton);
  EXPECT_EQ(ok->answer, IDOK);
  const auto cancel = HitOn(drawn, "[ キャンセル ]");
  ASSERT_TRUE(cancel.has_value());
  EXPECT_EQ(cancel->answer, IDCANCEL);
  // The exit button of the menu lies outside the box and is covered by its modality.
  EXPECT_FALSE(HitOn(drawn, "終了").has_value());
  ASSERT_EQ(drawn.hits.hits().size(), 2u);
  // The selected button is the second one.
  const Cell& first = drawn.grid.at(cancel->area.x, cancel->area.y);
  EXPECT_NE(first.style.attributes & kAttributeEmphasis, 0);
  EXPECT_EQ(drawn.grid.at(ok->area.x, ok->area.y).style.attributes & kAttributeEmphasis, 0);
}

TEST_F(Overlays, OkOnlyBoxOffersOneAnswer) {
  platform::MessageBoxState box;
  box.buttons = platform::MessageBoxButtons::Ok;
  EXPECT_EQ(MessageBoxAnswers(box), std::vector<int>{IDOK});
  box.buttons = platform::MessageBoxButtons::OkCancel;
  EXPECT_EQ(MessageBoxAnswers(box), (std::vector<int>{IDOK, IDCANCEL}));
}

TEST_F(Overlays, LongTextWrapsInsideTheBoxOnTheSmallestTerminal) {
  display.setApplicationTitle(u"P42RApplication");
  Show(216);
  const Rendering drawn = RenderWithBox(
      u"アプリケーションを起動することができません。アプリケーションを再インストールしてください。", platform::MB_OK);
  ExpectSnapshot(drawn.grid, "long-text-box");
}

TEST_F(Overlays, AboutBoxWithItsCaption) {
  Show(216);
  platform::Form about(windows, display, 100, "AboutProbe");
  std::optional<Rendering> drawn;
  loop.postTask([&] {
    about.setFocus(1);
    drawn = Render();
    display.endDialog(about, IDOK);
  });
  EXPECT_EQ(display.runModalDialog(about), IDOK);
  ASSERT_TRUE(drawn.has_value());
  ExpectSnapshot(drawn->grid, "about-box");
  const auto ok = HitOn(*drawn, "OK");
  ASSERT_TRUE(ok.has_value());
  EXPECT_EQ(ok->controlId, 1);
  for (const Hit& hit : drawn->hits.hits()) {
    EXPECT_EQ(hit.controlId, 1) << "the screen under the dialog takes no clicks";
  }
}

TEST_F(Overlays, ScreenClicksFindButtonsAndListRows) {
  platform::Form& screen = Show(212);
  platform::Control& list = *screen.control(1045);
  list.insertColumn(0, {u"", 200});
  list.insertRow(0, u"alpha.example");
  list.insertRow(1, u"beta.example");
  const Rendering drawn = Render();
  const auto add = HitOn(drawn, "追加");
  ASSERT_TRUE(add.has_value());
  EXPECT_EQ(add->kind, Hit::Kind::Control);
  EXPECT_EQ(add->controlId, 1042);
  const auto row = HitOn(drawn, "beta.example");
  ASSERT_TRUE(row.has_value());
  EXPECT_EQ(row->kind, Hit::Kind::ListRow);
  EXPECT_EQ(row->controlId, 1045);
  EXPECT_EQ(row->row, 1);
  const auto field = HitOn(drawn, "____");
  ASSERT_TRUE(field.has_value());
  EXPECT_EQ(field->controlId, 1041);
  EXPECT_FALSE(HitOn(drawn, "ドメインを選択して下さい").has_value()) << "texts take no clicks";
  // A hidden control takes no clicks either.
  screen.control(1042)->show(false);
  const Rendering after = Render();
  for (const Hit& hit : after.hits.hits()) EXPECT_NE(hit.controlId, 1042);
}

}  // namespace
}  // namespace p42r::frontends::render::testing
