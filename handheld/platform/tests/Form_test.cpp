#include "platform/Form.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/Display.h"
#include "platform/UserInput.h"

namespace p42r::platform {
namespace {

// A form on a real template that records the commands and notices it gets.
class ProbeForm final : public Form {
 public:
  ProbeForm(WindowSystem& windows, Display& display, std::uint16_t templateId, bool consumeReturn = false)
      : Form(windows, display, templateId, "ProbeForm"), consumeReturn_(consumeReturn) {}
  std::vector<std::pair<std::uint16_t, std::uint16_t>> commands;
  std::vector<std::pair<std::uint16_t, std::int64_t>> notices;
  std::vector<std::uint32_t> keys;

 protected:
  bool preTranslateMessage(const Message& message) override {
    return consumeReturn_ && message.id == WM_KEYDOWN && message.wParam == VK_RETURN;
  }
  void onCommand(std::uint16_t id, std::uint16_t code) override { commands.emplace_back(id, code); }
  void onNotify(std::uint16_t id, std::int64_t code, std::uint32_t key) override {
    notices.emplace_back(id, code);
    keys.push_back(key);
  }

 private:
  bool consumeReturn_;
};

struct FormFixture : ::testing::Test {
  ManualClock clock;
  EventLoop loop{clock};
  WindowSystem windows{loop};
  Display display{loop};
  UserInput input{display, windows};

  // Delivers everything posted, including what the deliveries post.
  void Flush() {
    loop.runModal([&] { return !loop.hasPosted(); });
  }
};

TEST_F(FormFixture, ControlsComeFromTheTemplateWithTheirState) {
  ProbeForm form(windows, display, 201);
  ASSERT_NE(form.control(1003), nullptr);
  EXPECT_EQ(form.control(1003)->text(), u"Version 1.0.0");
  EXPECT_TRUE(form.control(1003)->hasStyle(resources::kStyleAlignRight));
  EXPECT_EQ(form.control(1077)->rect().width, 115);
  EXPECT_EQ(form.control(9999), nullptr);
}

TEST_F(FormFixture, ClickPostsTheButtonsCommandAndRefusesWhatCannotBeClicked) {
  ProbeForm form(windows, display, 216);
  display.setActiveForm(&form);
  EXPECT_FALSE(input.click(1073).has_value());
  Flush();
  ASSERT_EQ(form.commands.size(), 1u);
  EXPECT_EQ(form.commands[0], std::make_pair(std::uint16_t{1073}, std::uint16_t{0}));
  EXPECT_EQ(form.focus(), 1073);

  form.control(1073)->enable(false);
  EXPECT_EQ(input.click(1073), "control 1073 is disabled");
  form.control(1074)->show(false);
  EXPECT_EQ(input.click(1074), "control 1074 is hidden");
  EXPECT_EQ(input.click(4242), "no control 4242 on this screen");
  EXPECT_EQ(input.click(1075), "control 1075 is not a button");
  Flush();
  EXPECT_EQ(form.commands.size(), 1u) << "refused input must change nothing";
}

TEST_F(FormFixture, TypingReplacesTheTextUpToTheFieldsLimit) {
  ProbeForm form(windows, display, 204);
  display.setActiveForm(&form);
  EXPECT_FALSE(input.type(1011, u"abcdefghijKLM").has_value());
  EXPECT_EQ(form.control(1011)->text(), u"abcdefghij");
  EXPECT_FALSE(input.type(1011, u"xy").has_value());
  EXPECT_EQ(form.control(1011)->text(), u"xy");
  EXPECT_EQ(input.type(1014, u"x"), "control 1014 is not an edit field");
}

TEST_F(FormFixture, ARadioButtonTakesTheCheckFromTheOthersOfItsGroup) {
  ProbeForm form(windows, display, 211);
  display.setActiveForm(&form);
  form.control(1036)->setChecked(true);
  EXPECT_FALSE(input.check(1037).has_value());
  EXPECT_FALSE(form.control(1036)->isChecked());
  EXPECT_TRUE(form.control(1037)->isChecked());
  EXPECT_EQ(input.check(1038), "control 1038 is not a radio button");
  EXPECT_FALSE(form.control(1038)->isChecked());
}

TEST_F(FormFixture, ListSelectionNotifiesAndKeysMoveWithinTheRows) {
  ProbeForm form(windows, display, 212);
  display.setActiveForm(&form);
  Control& list = *form.control(1045);
  list.insertColumn(0, ListColumn{u"", 100});
  for (int i = 0; i < 3; ++i) list.insertRow(0, u"");
  list.setCell(0, 0, u"a.example");
  EXPECT_FALSE(input.select(1045, 2).has_value());
  EXPECT_EQ(input.select(1045, 3), "list 1045 has no row 3");
  Flush();
  EXPECT_EQ(list.selectedRow(), 2);
  ASSERT_EQ(form.notices.size(), 1u);
  EXPECT_EQ(form.notices[0].second, NM_CLICK);

  EXPECT_FALSE(input.key(1045, VK_DOWN).has_value());
  Flush();
  EXPECT_EQ(list.selectedRow(), 2) << "down on the last row stays";
  ASSERT_EQ(form.notices.size(), 2u);
  EXPECT_EQ(form.notices[1].second, LVN_KEYDOWN);
  EXPECT_EQ(form.keys[1], VK_DOWN);
  EXPECT_FALSE(input.key(1045, VK_UP).has_value());
  Flush();
  EXPECT_EQ(list.selectedRow(), 1);
}

TEST_F(FormFixture, ReturnPressesAButtonUnlessPreTranslationConsumesIt) {
  ProbeForm plain(windows, display, 216);
  display.setActiveForm(&plain);
  EXPECT_FALSE(input.key(1073, VK_RETURN).has_value());
  Flush();
  EXPECT_EQ(plain.commands.size(), 1u);

  ProbeForm guarded(windows, display, 216, /*consumeReturn=*/true);
  display.setActiveForm(&guarded);
  EXPECT_FALSE(input.key(1073, VK_RETURN).has_value());
  Flush();
  EXPECT_TRUE(guarded.commands.empty());
}

TEST_F(FormFixture, FocusLeavesAControlThatIsHiddenOrDisabled) {
  ProbeForm form(windows, display, 216);
  ASSERT_TRUE(form.setFocus(1073));
  form.control(1073)->enable(false);
  EXPECT_EQ(form.focus(), 0);
  EXPECT_FALSE(form.setFocus(1073));
}

TEST_F(FormFixture, AMessageBoxHoldsTheInputUntilItIsAnswered) {
  ProbeForm form(windows, display, 216);
  display.setActiveForm(&form);
  display.setApplicationTitle(u"P42RApplication");
  int result = 0;
  std::vector<std::string> refused;
  loop.postTask([&] { result = display.messageBox(u"sure?", MB_OKCANCEL | MB_ICONQUESTION); });
  loop.postTask([&] {
    ASSERT_EQ(display.openMessageBoxes().size(), 1u);
    const MessageBoxState& box = *display.openMessageBoxes().back();
    EXPECT_EQ(box.caption, u"P42RApplication");
    EXPECT_EQ(box.buttons, MessageBoxButtons::OkCancel);
    EXPECT_EQ(box.icon, MessageBoxIcon::Question);
    refused.push_back(input.click(1073).value_or(""));
    EXPECT_FALSE(input.answer(IDCANCEL).has_value());
  });
  Flush();
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(refused, (std::vector<std::string>{"a message box is open"}));
  EXPECT_TRUE(display.openMessageBoxes().empty());
  EXPECT_EQ(input.answer(IDOK), "no message box is open");
}

TEST_F(FormFixture, AnOkOnlyBoxTakesNoCancel) {
  int result = 0;
  loop.postTask([&] { result = display.messageBox(u"done", MB_OK | MB_ICONINFORMATION); });
  loop.postTask([&] {
    EXPECT_EQ(input.answer(IDCANCEL), "the message box has no such button");
    EXPECT_FALSE(input.answer(IDOK).has_value());
  });
  Flush();
  EXPECT_EQ(result, IDOK);
}

TEST_F(FormFixture, DrawsFromAnotherThreadLandOnTheFormsControl) {
  ProbeForm form(windows, display, 209);
  display.postDraw(form.handle(), 1079, Picture{133, PictureMode::Stretch, 0, 0});
  display.postDraw(0xDEAD, 1079, Picture{134, PictureMode::Stretch, 0, 0});
  Flush();
  EXPECT_EQ(form.control(1079)->picture().resource, 133);
}

}  // namespace
}  // namespace p42r::platform
