// The start-up screen and the menus in-process, behind the fake serial port,
// where every failure of the port and the timers can be made to happen.
#include "start/ClsStart.h"

#include <gtest/gtest.h>

#include <functional>

#include "app/CPocketPCApp.h"
#include "program/ScreenTable.h"
#include "testing/HandheldHarness.h"
#include "testing/ScriptedCard.h"

namespace p42r::start {
namespace {

// Answers every message box as it opens and keeps its text.
struct BoxAnswerer final : platform::DisplayObserver {
  explicit BoxAnswerer(testing::HandheldHarness& harness) : harness_(harness) { harness_.display.addObserver(*this); }
  ~BoxAnswerer() { harness_.display.removeObserver(*this); }
  void messageBoxOpened(const platform::MessageBoxState& box) override {
    texts.push_back(box.text);
    if (texts.size() == 1 && whileFirstBoxIsOpen) whileFirstBoxIsOpen();
    harness_.loop.postTask([this] { harness_.display.answerMessageBox(platform::IDOK); });
  }
  std::vector<std::u16string> texts;
  std::function<void()> whileFirstBoxIsOpen;

 private:
  testing::HandheldHarness& harness_;
};

struct StartFixture : ::testing::Test, testing::HandheldHarness {
  testing::ScriptedCard card{serial};
  BoxAnswerer boxes{*this};
  std::unique_ptr<app::CPocketPCApp> app;

  StartFixture() { testing::WriteCardRegistry(deviceRoot.registryFile()); }
  ~StartFixture() override {
    app.reset();
    channel.JoinReaders();
  }

  void Start() {
    app::CPocketPCApp::Options options;
    options.createScreens = program::ScreenTableFor(app::CPocketPCApp::Options::Entry::Consumer);
    app = std::make_unique<app::CPocketPCApp>(services, options);
    ASSERT_TRUE(app->InitInstance());
    RunUntilIdle();
  }
  bool Ended() const { return loop.quitRequested(); }
  // Runs until the start screen has gone into its wait for an update's result.
  bool WaitingForUpdate() {
    auto* start = static_cast<ClsStart*>(app->screen(1));
    return WaitFor([&] { return start->startStep() == 2; });
  }
};

TEST_F(StartFixture, TheEchoOfATE0IsDroppedAndTheCardIdentified) {
  card.answer("ATE0", "ATE0\r\r\nOK\r\n");
  Start();
  ASSERT_TRUE(RunUntil([&] { return app->currentScreen() == 15; }));
  EXPECT_EQ(card.commands(), (std::vector<std::string>{"ATE0", "AT+GMI"}));
  EXPECT_TRUE(channel.isOpen()) << "the identified port stays open";
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(StartFixture, ALineThatStillReachesTheStartScreenAfterTheHandOverChangesNothing) {
  Start();
  ASSERT_TRUE(RunUntil([&] { return app->currentScreen() == 15; }));
  for (const char* line : {"OK", "ERROR", "Halvorn.Corp"}) {
    windows.post(app->screen(1)->handle(), app::WM_DEVICE_LINE, 0, 0, std::make_unique<link::DeviceLineBytes>(line));
  }
  RunUntilIdle();
  EXPECT_TRUE(channel.isOpen()) << "the menu's port was closed by the start screen";
  EXPECT_EQ(app->currentScreen(), 15);
  EXPECT_TRUE(boxes.texts.empty());
  EXPECT_EQ(card.commands(), (std::vector<std::string>{"ATE0", "AT+GMI"}));
}

TEST_F(StartFixture, ErrorToATE0OnlyReArmsAndErrorToTheMakerQueryFailsTheCandidate) {
  card.answer("ATE0", "\r\nERROR\r\n");
  Start();
  // The ERROR must have been handled before time moves: a watchdog it
  // re-armed late would be due only after the five seconds below.
  ASSERT_TRUE(WaitFor([&] { return CountDelivered(app->screen(1)->handle(), app::WM_DEVICE_LINE) == 1; }));
  EXPECT_EQ(card.commands().size(), 1u);
  EXPECT_EQ(app->currentScreen(), 1);
  EXPECT_TRUE(loop.hasTimer(app->screen(1)->handle(), app::kWatchdogTimer));
  card.answer("ATE0", "\r\nOK\r\n");
  card.answer("AT+GMI", "\r\nERROR\r\n\r\nOK\r\n");
  Advance(5000);  // ATE0 again, now answered
  ASSERT_TRUE(RunUntil([&] { return Ended(); }));
  EXPECT_EQ(boxes.texts, (std::vector<std::u16string>{u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。"}));
  EXPECT_FALSE(channel.isOpen()) << "the failed candidate was closed";
}

TEST_F(StartFixture, LinesThatComeAfterTheLastCandidateWasGivenUpChangeNothing) {
  card.silence("ATE0");
  // The card's late answers come while the no-device box is open: they
  // belong to no candidate any more and must neither identify one (there is
  // none to take) nor show a second box.
  boxes.whileFirstBoxIsOpen = [&] {
    for (const char* line : {"OK", "Halvorn.Corp", "OK"}) {
      windows.post(app->screen(1)->handle(), app::WM_DEVICE_LINE, 0, 0,
                   std::make_unique<link::DeviceLineBytes>(line));
    }
  };
  Start();
  Advance(5000);  // ATE0 once more
  Advance(5000);  // and given up: no candidate is left
  ASSERT_TRUE(RunUntil([&] { return Ended(); }));
  EXPECT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(app->currentScreen(), 1);
  EXPECT_TRUE(services.state.portName.empty()) << "no port was taken for the card";
}

TEST_F(StartFixture, AWriteFailureMovesOnSilentlyToTheNextCandidate) {
  faultySerial.failNext(testing::SerialCall::WriteFile, 31);
  Start();
  ASSERT_TRUE(RunUntil([&] { return Ended(); }));
  EXPECT_EQ(boxes.texts.size(), 1u);
  EXPECT_FALSE(channel.isOpen());
}

TEST_F(StartFixture, APortThatCannotBeOpenedIsNotShownAndEndsWithNoDevice) {
  faultySerial.failNext(testing::SerialCall::CreateFile, 2);
  Start();
  ASSERT_TRUE(RunUntil([&] { return Ended(); }));
  EXPECT_EQ(boxes.texts, (std::vector<std::u16string>{u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。"}));
  EXPECT_TRUE(card.commands().empty());
}

TEST_F(StartFixture, AWatchdogThatCannotBeArmedIsFatalWithTheStartScreensCode) {
  card.silence("ATE0");
  timers.failNextSet(8);
  Start();
  ASSERT_TRUE(RunUntil([&] { return Ended(); }));
  EXPECT_EQ(boxes.texts, (std::vector<std::u16string>{u"タイマーエラー(201  001)"}));
  EXPECT_FALSE(channel.isOpen());
}

TEST_F(StartFixture, UpdateFinishedDuringTheWaitCountsAsSuccess) {
  card.answer("ATE0", "\r\nFPL80\r\n");
  Start();
  ASSERT_TRUE(WaitingForUpdate());
  EXPECT_EQ(app->screen(1)->control(1089)->text(), u"ソフトウェアアップデート中です。\r\nしばらくお待ちください。");
  card.send("\r\nERROR\r\n");
  card.send("\r\nFUPSTOP\r\n");
  ASSERT_TRUE(RunUntil([&] { return app->currentScreen() == 15; }));
  EXPECT_EQ(app->screen(1)->control(1089)->text(), u"ケータイアップデートが正常に完了しました。");
  EXPECT_EQ(state.portName, u"COM4");
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(StartFixture, AListedFailureReasonDuringTheWaitShowsItsTextAndEnds) {
  card.answer("ATE0", "\r\nFPL20\r\n");
  Start();
  ASSERT_TRUE(WaitingForUpdate());
  card.send("\r\nERROR\r\nNO CARRIER\r\n");
  ASSERT_TRUE(RunUntil([&] { return Ended(); }));
  EXPECT_EQ(boxes.texts,
            (std::vector<std::u16string>{u"電波状態の良いところへ移動してから実行してください。(NO CARRIER)"}));
  EXPECT_FALSE(channel.isOpen());
}

TEST_F(StartFixture, TheWaitForAnUpdateNeverGivesUp) {
  card.answer("ATE0", "\r\nFPL40\r\n");
  Start();
  ASSERT_TRUE(WaitingForUpdate());
  Advance(3 * 600000);
  EXPECT_FALSE(Ended());
  EXPECT_EQ(app->currentScreen(), 1);
  EXPECT_EQ(card.commands(), (std::vector<std::string>{"ATE0"})) << "nothing is written while waiting";
}

TEST_F(StartFixture, TheStartScreenDrawsItsPictureIntoThePlaceholder) {
  card.silence("ATE0");
  Start();
  const platform::Picture& picture = app->screen(1)->control(1077)->picture();
  EXPECT_EQ(picture.resource, 143);
  EXPECT_EQ(picture.sourceX, 13);
  EXPECT_EQ(picture.sourceY, 13);
  EXPECT_EQ(picture.mode, platform::PictureMode::Stretch);
}

struct MenuFixture : StartFixture {
  void SetUp() override {
    Start();
    ASSERT_TRUE(RunUntil([&] { return app->currentScreen() == 15; }));
  }
};

TEST_F(MenuFixture, AMenuLeavesAnOpenPortAlone) {
  const platform::PortHandle before = channel.portHandle();
  app->SwitchScreen(5);
  RunUntilIdle();
  EXPECT_EQ(channel.portHandle(), before);
  // The general menu shows exactly its two buttons.
  for (std::uint16_t id : {std::uint16_t{1016}, std::uint16_t{1018}}) EXPECT_FALSE(app->screen(5)->control(id)->isVisible());
  EXPECT_TRUE(app->screen(5)->control(1017)->isVisible());
  EXPECT_TRUE(app->screen(5)->control(1019)->isVisible());
}

TEST_F(MenuFixture, AMenuActivatedWhileThePortIsClosedOpensIt) {
  ASSERT_TRUE(channel.Close());
  app->SwitchScreen(6);
  RunUntilIdle();
  EXPECT_TRUE(channel.isOpen());
  EXPECT_EQ(app->screen(6)->focus(), 1021);
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(MenuFixture, AnOpenErrorShowsTheTextWithTheMenusCodeAndCloses) {
  ASSERT_TRUE(channel.Close());
  faultySerial.failNext(testing::SerialCall::CreateFile, 2);
  app->SwitchScreen(8);
  RunUntilIdle();
  ASSERT_FALSE(input.click(1028).has_value());  // back to the consumer menu
  ASSERT_TRUE(RunUntil([&] { return Ended(); }));
  EXPECT_EQ(boxes.texts, (std::vector<std::u16string>{u"ポートオープンエラー(002  024)"}));
  EXPECT_EQ(app->screen(15)->focus(), 1073) << "the focus still moves";
}

TEST_F(MenuFixture, TheExitButtonOnlyPostsTheCloseRequest) {
  ASSERT_FALSE(input.click(1074).has_value());
  ASSERT_TRUE(RunUntil([&] { return Ended(); }));
  EXPECT_EQ(CountDelivered(app->frame()->handle(), platform::WM_CLOSE), 1u);
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(MenuFixture, TheWholeNavigationGraphOfTheMenusAndBackButtons) {
  struct Step {
    int from;
    std::uint16_t button;
    int to;
  };
  const Step steps[] = {{15, 1073, 8}, {8, 1028, 15}, {5, 1017, 10}, {10, 1034, 11}, {11, 1039, 10}, {10, 1035, 5},
                        {6, 1021, 12}, {12, 1047, 6}, {6, 1024, 4},  {7, 1024, 14}, {14, 1061, 7}, {7, 1027, 4}};
  // The domain list reads the card's three slots before its buttons work.
  for (const char* slot : {"AT@ALDR=1", "AT@ALDR=2", "AT@ALDR=3"}) card.answer(slot, "\r\nOK\r\n");
  for (const Step& step : steps) {
    app->SwitchScreen(step.from);
    RunUntilIdle();
    const platform::Control* button = app->screen(step.from)->control(step.button);
    ASSERT_TRUE(WaitFor([&] { return button->isEnabled(); })) << step.from << "/" << step.button << " stays disabled";
    ASSERT_FALSE(input.click(step.button).has_value()) << step.from << "/" << step.button;
    RunUntilIdle();
    EXPECT_EQ(app->currentScreen(), step.to) << step.from << "/" << step.button;
  }
  EXPECT_TRUE(boxes.texts.empty());
}

}  // namespace
}  // namespace p42r::start
