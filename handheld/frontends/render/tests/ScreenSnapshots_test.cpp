// Every template of the program drawn on the smallest terminal and compared
// with its expected grid, plus the states a person meets on the way: typed
// passwords, filled lists, a running update, the pictures, message boxes.
#include <gtest/gtest.h>

#include "RenderFixture.h"
#include "frontends/render/TextWidth.h"
#include "platform/Form.h"
#include "resources/Bitmaps.h"
#include "resources/DialogTemplate.h"

namespace p42r::frontends::render::testing {
namespace {

using platform::Picture;
using platform::PictureMode;

struct TemplateSnapshots : RenderFixture, ::testing::WithParamInterface<std::uint16_t> {};

TEST_P(TemplateSnapshots, LayoutMatchesTheExpectedGrid) {
  Show(GetParam());
  ExpectSnapshot(Render().grid, "template-" + std::to_string(GetParam()));
}

std::vector<std::uint16_t> AllTemplateIds() {
  std::vector<std::uint16_t> ids;
  for (const auto& dialog : resources::AllDialogs()) ids.push_back(dialog.id);
  return ids;
}

INSTANTIATE_TEST_SUITE_P(EveryTemplate, TemplateSnapshots, ::testing::ValuesIn(AllTemplateIds()),
                         [](const auto& param) { return std::to_string(param.param); });

using ScreenStates = RenderFixture;

TEST_F(ScreenStates, ConsumerMenuWithTheFocusOnTheUpdateButton) {
  platform::Form& menu = Show(216);
  ASSERT_TRUE(menu.setFocus(1073));
  const Rendering drawn = Render();
  ExpectSnapshot(drawn.grid, "consumer-menu-focused");
  // The focused button is the one painted in the focus colour, and only it.
  int emphasised = 0;
  for (const Cell& cell : CellsIn(drawn.grid, drawn.grid.bounds())) {
    if ((cell.style.attributes & kAttributeEmphasis) != 0) ++emphasised;
  }
  const CellRect button = DialogScale(SplitScreen(80, 24).body, 137, 125).map(menu.control(1073)->rect());
  EXPECT_EQ(emphasised, button.width * button.height);
  EXPECT_FALSE(drawn.cursor.has_value()) << "a button shows no caret";
}

TEST_F(ScreenStates, TypedPasswordsAreMaskedAndTheCaretFollowsThem) {
  platform::Form& screen = Show(204);
  screen.control(1011)->setText(u"secret");
  screen.control(1012)->setText(u"sec");
  ASSERT_TRUE(screen.setFocus(1012));
  const Rendering drawn = Render();
  ExpectSnapshot(drawn.grid, "change-password-typed");
  EXPECT_EQ(drawn.grid.text().find("secret"), std::string::npos) << "a password must never show";
  ASSERT_TRUE(drawn.cursor.has_value());
  const CellRect field = DialogScale(SplitScreen(80, 24).body, 137, 125).map(screen.control(1012)->rect());
  EXPECT_EQ(drawn.cursor->column, field.x + 3);
  EXPECT_TRUE(field.contains(drawn.cursor->column, drawn.cursor->row));
}

TEST_F(ScreenStates, DomainListWithItsSlotsAndTheSelectedRow) {
  platform::Form& screen = Show(212);
  platform::Control& list = *screen.control(1045);
  list.insertColumn(0, {u"", 200});
  list.insertRow(0, u"example.co.jp");
  list.insertRow(1, u"");
  list.insertRow(2, u"ドメイン.jp");
  list.selectRow(2);
  ASSERT_TRUE(screen.setFocus(1045));
  ExpectSnapshot(Render().grid, "limit-connect-rows");
}

TEST_F(ScreenStates, ApplicationListWithTwoColumns) {
  platform::Form& screen = Show(214);
  platform::Control& list = *screen.control(1052);
  FillApplications(list);
  ExpectSnapshot(Render().grid, "run-appli-rows");
}

TEST_F(ScreenStates, UpdateHalfwayWithItsAnimationFrame) {
  platform::Form& screen = Show(209);
  screen.control(1030)->show(false);
  screen.control(1062)->show(false);
  screen.control(1079)->show(false);
  screen.control(1061)->enable(false);
  screen.control(1072)->setText(resources::LoadString(kDownloadCompleteText));
  screen.control(1031)->setPosition(50);
  display.postDraw(screen.handle(), 1079, Picture{resources::kBitmapAnimationFirst + 3, PictureMode::Stretch, 0, 0});
  Flush();
  ExpectSnapshot(Render().grid, "updating-halfway");
}

TEST_F(ScreenStates, UpdateFinishedWithBackEnabledAndFocused) {
  platform::Form& screen = Show(209);
  for (int hidden : {1030, 1062, 1079, 1090}) screen.control(static_cast<std::uint16_t>(hidden))->show(false);
  screen.control(1072)->setText(u"ケータイアップデートが正常に完了しました。");
  screen.control(1031)->setPosition(100);
  ASSERT_TRUE(screen.setFocus(1061));
  screen.control(1079)->setPicture(Picture{resources::kBitmapAnimationFirst + 7, PictureMode::Stretch, 0, 0});
  ExpectSnapshot(Render().grid, "updating-finished");
}

TEST_F(ScreenStates, StartupPictureFromItsOrigin) {
  platform::Form& screen = Show(201);
  screen.control(1077)->show(false);
  screen.control(1077)->setPicture(Picture{resources::kBitmapStartup, PictureMode::Stretch, 13, 13});
  ExpectSnapshot(Render().grid, "startup-picture");
}

TEST_F(ScreenStates, SignalPictureWithTheNetworkKind) {
  platform::Form& screen = Show(210);
  screen.control(1078)->show(false);
  screen.control(1088)->setText(u"CDMA 1X WIN");
  screen.control(1078)->setPicture(Picture{resources::kBitmapTwoBars, PictureMode::Stretch, 0, 0});
  ExpectSnapshot(Render().grid, "display-state-two-bars");
}

TEST_F(ScreenStates, LedSettingWithTheSecondRadioChecked) {
  platform::Form& screen = Show(211);
  screen.control(1037)->setChecked(true);
  ASSERT_TRUE(screen.setFocus(1037));
  ExpectSnapshot(Render().grid, "led-off-checked");
}

TEST_F(ScreenStates, IdTextOverSeveralLines) {
  platform::Form& screen = Show(215);
  screen.control(1069)->setText(u"ABCDEFGHIJ\r\nKLMNOPQRST\r\n0123456789");
  ExpectSnapshot(Render().grid, "security-lines");
}

TEST_F(ScreenStates, BusyScreenShowsTheWaitCursor) {
  Show(210);
  display.setWaitCursor(true);
  const Rendering drawn = Render();
  EXPECT_NE(drawn.grid.textRows()[0].find("処理中"), std::string::npos);
  display.setWaitCursor(false);
  EXPECT_EQ(Render().grid.textRows()[0].find("処理中"), std::string::npos);
}

TEST_F(ScreenStates, BiggerTerminalGivesABiggerForm) {
  Show(216);
  ExpectSnapshot(Render(120, 40).grid, "consumer-menu-120x40");
}

TEST_F(ScreenStates, TooSmallTerminalSaysSo) {
  Show(216);
  const Rendering drawn = Render(60, 20);
  EXPECT_NE(drawn.grid.textRows()[0].find(EncodeUtf8(kTooSmall)), std::string::npos);
  EXPECT_EQ(Render().grid.textRows()[0].find(EncodeUtf8(kTooSmall)), std::string::npos);
}

}  // namespace
}  // namespace p42r::frontends::render::testing
