// Keys and clicks turned into the program's input on real forms: the focus
// order, pressing and typing, lists, message boxes and the about box.
#include "frontends/tui/InputRouter.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "frontends/render/DisplayRenderer.h"
#include "frontends/render/TextWidth.h"
#include "platform/Clock.h"
#include "platform/EventLoop.h"
#include "platform/Form.h"
#include "ClosingFrame.h"

namespace p42r::frontends::tui {
namespace {

using Kind = KeyEvent::Kind;

// A screen like the program's: it consumes Return before dialog processing
// and records what reaches it.
class ProbeScreen final : public platform::Form {
 public:
  ProbeScreen(platform::WindowSystem& windows, platform::Display& display, std::uint16_t id)
      : Form(windows, display, id, "ProbeScreen") {}
  std::vector<std::uint16_t> commands;
  std::vector<std::pair<std::uint16_t, std::int64_t>> notices;
  std::vector<std::uint32_t> keys;

 protected:
  bool preTranslateMessage(const platform::Message& message) override {
    if (message.id == platform::WM_KEYDOWN) keys.push_back(static_cast<std::uint32_t>(message.wParam));
    return message.id == platform::WM_KEYDOWN && message.wParam == platform::VK_RETURN;
  }
  void onCommand(std::uint16_t id, std::uint16_t code) override {
    if (code == 0) commands.push_back(id);
  }
  void onNotify(std::uint16_t id, std::int64_t code, std::uint32_t) override { notices.emplace_back(id, code); }
};

struct Routing : ::testing::Test {
  platform::ManualClock clock;
  platform::EventLoop loop{clock};
  platform::WindowSystem windows{loop};
  platform::Display display{loop};
  platform::UserInput input{display, windows};
  InputRouter router{display, input};
  testing::ClosingFrame frame{windows};
  render::PictureLibrary pictures;
  std::unique_ptr<ProbeScreen> screen;

  ProbeScreen& Show(std::uint16_t id) {
    screen = std::make_unique<ProbeScreen>(windows, display, id);
    screen->show(true);
    display.setFrameWindow(frame.handle());
    display.setActiveForm(screen.get());
    return *screen;
  }
  void Key(Kind kind, char32_t c = 0) { router.handle(KeyEvent{kind, c, 0, 0}, render::HitMap{}); }
  void Type(std::u32string_view text) {
    for (char32_t c : text) Key(Kind::Character, c);
  }
  void Flush() {
    loop.runModal([&] { return !loop.hasPosted(); });
  }
  // A press on the first cell that shows `text`, on the screen as drawn now.
  void ClickOn(std::string_view text) {
    const auto drawn = render::RenderDisplay(display, pictures, {80, 24, router.selectedButton()});
    const auto rows = drawn.grid.textRows();
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
      for (int column = 0; column < drawn.grid.columns(); ++column) {
        const render::Cell& cell = drawn.grid.at(column, row);
        if (cell.width == 0) continue;
        std::string rest;
        for (int c = column; c < drawn.grid.columns(); ++c) {
          if (drawn.grid.at(c, row).width != 0) rest += render::EncodeUtf8(std::u32string(1, drawn.grid.at(c, row).character));
        }
        if (rest.rfind(text, 0) == 0) {
          router.handle(KeyEvent{Kind::MousePress, 0, column, row}, drawn.hits);
          return;
        }
      }
    }
    ADD_FAILURE() << "nothing shows " << text;
  }
};

TEST_F(Routing, TabAndTheArrowsWalkTheFocusableControlsInTabOrder) {
  ProbeScreen& form = Show(204);
  EXPECT_EQ(InputRouter::FocusOrder(form), (std::vector<std::uint16_t>{1011, 1012, 1014, 1015}));
  EXPECT_EQ(form.focus(), 1011) << "a form shown with nothing focused starts on its first tab stop";
  Key(Kind::Tab);
  Key(Kind::Down);
  EXPECT_EQ(form.focus(), 1014);
  Key(Kind::Right);
  Key(Kind::Tab);
  EXPECT_EQ(form.focus(), 1011) << "the order wraps around";
  Key(Kind::BackTab);
  EXPECT_EQ(form.focus(), 1015);
  Key(Kind::Up);
  Key(Kind::Left);
  EXPECT_EQ(form.focus(), 1012);
  // What cannot take the focus is passed over.
  form.control(1014)->enable(false);
  form.control(1015)->show(false);
  Key(Kind::Tab);
  EXPECT_EQ(form.focus(), 1011);
  Flush();
  EXPECT_TRUE(form.commands.empty()) << "moving the focus presses nothing";
}

TEST_F(Routing, SpacePressesTheFocusedButtonAndReturnTakesTheKeysWay) {
  ProbeScreen& form = Show(216);
  form.setFocus(1073);
  Key(Kind::Space);
  Flush();
  EXPECT_EQ(form.commands, std::vector<std::uint16_t>{1073});
  // Return reaches the screen as the key; the screen consumes it, so nothing is pressed.
  Key(Kind::Enter);
  Flush();
  EXPECT_EQ(form.keys, std::vector<std::uint32_t>{platform::VK_RETURN});
  EXPECT_EQ(form.commands.size(), 1u);
}

TEST_F(Routing, TypingFillsTheFieldUpToItsLimitAndBackspaceTakesBack) {
  ProbeScreen& form = Show(204);
  form.setFocus(1011);
  Type(U"abc");
  EXPECT_EQ(form.control(1011)->text(), u"abc");
  Key(Kind::Backspace);
  EXPECT_EQ(form.control(1011)->text(), u"ab");
  Type(U"cdefghijklmn");
  EXPECT_EQ(form.control(1011)->text(), u"abcdefghij") << "the field takes ten characters";
  Key(Kind::Space);
  EXPECT_EQ(form.control(1011)->text().size(), 10u);
  Key(Kind::ClearField);
  EXPECT_EQ(form.control(1011)->text(), u"");
  Key(Kind::Backspace);
  EXPECT_EQ(form.control(1011)->text(), u"");
  // Characters outside the basic plane are one character for Backspace.
  Type(U"x\U0002000B");
  EXPECT_EQ(form.control(1011)->text(), u"x\U0002000B");
  Key(Kind::Backspace);
  EXPECT_EQ(form.control(1011)->text(), u"x");
  // Typing with a button focused types nowhere.
  form.setFocus(1014);
  Type(U"zz");
  EXPECT_EQ(form.control(1011)->text(), u"x");
  EXPECT_EQ(form.control(1012)->text(), u"");
}

TEST_F(Routing, ReadOnlyFieldsTakeNoTyping) {
  ProbeScreen& form = Show(209);
  form.control(1072)->setText(u"status");
  ASSERT_TRUE(form.setFocus(1072));
  Type(U"x");
  Key(Kind::Backspace);
  EXPECT_EQ(form.control(1072)->text(), u"status");
}

TEST_F(Routing, SpaceChecksARadioButtonAndClearsTheOtherOfItsGroup) {
  ProbeScreen& form = Show(211);
  form.control(1036)->setChecked(true);
  form.setFocus(1037);
  Key(Kind::Space);
  EXPECT_TRUE(form.control(1037)->isChecked());
  EXPECT_FALSE(form.control(1036)->isChecked());
}

TEST_F(Routing, InAListUpAndDownMoveTheSelection) {
  ProbeScreen& form = Show(212);
  platform::Control& list = *form.control(1045);
  list.insertColumn(0, {u"", 100});
  for (int i = 0; i < 3; ++i) list.insertRow(i, u"row");
  form.setFocus(1045);
  Key(Kind::Down);
  Flush();
  EXPECT_EQ(list.selectedRow(), 0) << "with nothing selected, Down taps the first row";
  ASSERT_EQ(form.notices.size(), 1u);
  EXPECT_EQ(form.notices[0].second, platform::NM_CLICK);
  Key(Kind::Down);
  Key(Kind::Down);
  Key(Kind::Down);
  Flush();
  EXPECT_EQ(list.selectedRow(), 2) << "the selection stops at the last row";
  Key(Kind::Up);
  Flush();
  EXPECT_EQ(list.selectedRow(), 1);
  EXPECT_EQ(form.focus(), 1045) << "in a list, Up and Down leave the focus where it is";
  Key(Kind::Space);
  Flush();
  EXPECT_EQ(form.notices.back(), std::make_pair(std::uint16_t{1045}, platform::NM_CLICK));
}

TEST_F(Routing, MousePressesActOnWhatIsUnderTheCell) {
  ProbeScreen& form = Show(212);
  platform::Control& list = *form.control(1045);
  list.insertColumn(0, {u"", 200});
  list.insertRow(0, u"alpha.example");
  list.insertRow(1, u"beta.example");
  ClickOn("beta.example");
  EXPECT_EQ(list.selectedRow(), 1);
  ClickOn("[      編集");
  ClickOn("___");
  EXPECT_EQ(form.focus(), 1041) << "a press on a field gives it the focus";
  ClickOn("ドメインを選択");
  Flush();
  EXPECT_EQ(form.commands, std::vector<std::uint16_t>{1043});
  EXPECT_EQ(form.focus(), 1041) << "a press on a text changes nothing";
}

TEST_F(Routing, WhileABoxIsOpenOnlyItsButtonsAnswer) {
  ProbeScreen& form = Show(208);
  form.setFocus(1027);
  std::optional<int> answer;
  loop.postTask([&] {
    Key(Kind::Space);  // does not reach the screen under the box
    Key(Kind::Tab);
    EXPECT_EQ(router.selectedButton(), 1);
    Key(Kind::Right);
    EXPECT_EQ(router.selectedButton(), 0) << "two buttons: the choice goes round";
    Key(Kind::Left);
    Key(Kind::Enter);
  });
  answer = display.messageBox(u"続けますか", platform::MB_OKCANCEL | platform::MB_ICONQUESTION);
  EXPECT_EQ(answer, platform::IDCANCEL);
  Flush();
  EXPECT_TRUE(form.commands.empty());

  loop.postTask([&] { Key(Kind::Escape); });
  EXPECT_EQ(display.messageBox(u"続けますか", platform::MB_OKCANCEL), platform::IDCANCEL);
  loop.postTask([&] { Key(Kind::Escape); });
  EXPECT_EQ(display.messageBox(u"終わりました", platform::MB_OK), platform::IDOK) << "Escape closes an OK box with OK";
  loop.postTask([&] {
    router.messageBoxOpened(*display.openMessageBoxes().back());
    ClickOn("[ OK ]");
  });
  EXPECT_EQ(display.messageBox(u"続けますか", platform::MB_OKCANCEL), platform::IDOK);
}

TEST_F(Routing, EscapeClosesTheAboutBoxAndQuitAsksToClose) {
  Show(216);
  platform::Form about(windows, display, 100, "About");
  loop.postTask([&] { Key(Kind::Escape); });
  EXPECT_EQ(display.runModalDialog(about), platform::IDCANCEL);
  Key(Kind::Quit);
  Flush();
  EXPECT_EQ(frame.closes, 1);
}

}  // namespace
}  // namespace p42r::frontends::tui
