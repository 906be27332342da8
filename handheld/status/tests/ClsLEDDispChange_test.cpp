// The LED display setting screen in-process behind the fake serial port: the
// two settings, the card's answers, the watchdog on virtual time and each
// failure of the port and the timers.
#include "status/ClsLEDDispChange.h"

#include <gtest/gtest.h>

#include "platform/LastError.h"
#include "status/tests/StatusStage.h"

namespace p42r::status {
namespace {

using platform::MessageBoxButtons;
using platform::MessageBoxIcon;

constexpr const char* kLedOn = "AT@LEDSET=1\r\n\\0";
constexpr const char* kLedOff = "AT@LEDSET=0\r\n\\0";
const std::u16string kNoReply = u"デバイスからの応答がありません。処理を中断します。";
const Box kChanged{u"LED表示状態を変更しました。", MessageBoxButtons::Ok, MessageBoxIcon::Information};
const std::u16string kReadError = u"ポート読み込みエラー(011  009)";
constexpr std::uint16_t kControls[] = {1036, 1037, 1038, 1039};

struct LedSetting : ::testing::Test, StatusStage {
  void Open() {
    SwitchScreen(11);
    RunUntilIdle();
  }
  void Decide(const char* expected) {
    Click(1038);
    ASSERT_EQ(TakeWrites(), std::vector<std::string>{expected});
  }
  bool Checked(std::uint16_t id) const { return LedControl(id).isChecked(); }
  void ExpectBusy() {
    for (std::uint16_t id : kControls) EXPECT_FALSE(LedControl(id).isEnabled()) << id;
    EXPECT_TRUE(display.waitCursor());
    EXPECT_TRUE(led.busy());
    EXPECT_TRUE(Watched(led));
  }
  void ExpectIdle() {
    for (std::uint16_t id : kControls) EXPECT_TRUE(LedControl(id).isEnabled()) << id;
    EXPECT_FALSE(display.waitCursor());
    EXPECT_FALSE(led.busy());
    EXPECT_FALSE(Watched(led));
    EXPECT_TRUE(ReaderStopped());
    EXPECT_TRUE(channel.isOpen());
    EXPECT_EQ(closeRequests, 0);
  }
  void ExpectFatal(const std::u16string& text) {
    ASSERT_EQ(boxes.size(), 1u) << "exactly one box for one failure";
    EXPECT_EQ(boxes[0], (Box{text, MessageBoxButtons::Ok, MessageBoxIcon::None}));
    EXPECT_TRUE(portOpenAtBox[0]) << "the port is closed after the box";
    EXPECT_EQ(closeRequests, 1);
    EXPECT_FALSE(channel.isOpen());
    EXPECT_TRUE(ReaderStopped());
    EXPECT_EQ(current, 11) << "the screen is not left";
  }
};

TEST_F(LedSetting, TheScreenAlwaysOpensWithOnSelectedAndTheFocusOnDecide) {
  Open();
  EXPECT_TRUE(Checked(1036));
  EXPECT_FALSE(Checked(1037));
  EXPECT_EQ(led.focus(), 1038);
  EXPECT_TRUE(TakeWrites().empty()) << "the card's setting is not asked for";

  Click(1037);
  EXPECT_FALSE(Checked(1036));
  Click(1039);
  EXPECT_EQ(switches.back(), 10);
  Open();
  EXPECT_TRUE(Checked(1036)) << "whatever was selected on the last visit";
  EXPECT_FALSE(Checked(1037));
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(LedSetting, OnIsSentAsOneAndTheCardsOkIsConfirmedBeforeReturning) {
  Open();
  Decide(kLedOn);
  ExpectBusy();
  respond = [this](const Box&) {
    EXPECT_FALSE(led.busy()) << "idle before the confirmation";
    EXPECT_FALSE(display.waitCursor());
    EXPECT_EQ(current, 11) << "the screen is left only after the confirmation";
    return platform::IDOK;
  };
  SendToLed({"OK"});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], kChanged);
  EXPECT_EQ(switches, (std::vector<int>{11, 10}));
  ExpectIdle();
  EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(LedSetting, OffIsSentAsZero) {
  Open();
  Click(1037);
  EXPECT_TRUE(TakeWrites().empty()) << "choosing sends nothing yet";
  Decide(kLedOff);
  SendToLed({"OK"});
  EXPECT_EQ(boxes, std::vector<Box>{kChanged});
  EXPECT_EQ(switches.back(), 10);
}

TEST_F(LedSetting, TheReaderIsInPlaceAndTheCardGivenItsTimeBeforeTheSetting) {
  Open();
  const platform::TimePoint tapped = clock.now();
  platform::TimePoint written{};
  serial.onWrite([&](const std::string&) { written = clock.now(); });
  Decide(kLedOn);
  EXPECT_EQ(written - tapped, platform::Duration(100));
  EXPECT_EQ(serial.eventMask(), 1u) << "the reader waits for received characters";
}

struct Refusals : LedSetting, ::testing::WithParamInterface<const char*> {};

TEST_P(Refusals, AnyAnswerButOkIsFatalWithThePortReadError) {
  Open();
  Click(1037);
  Decide(kLedOff);
  // The OK after it is in before the screen handles the first line; it
  // reaches the screen while the application closes and changes nothing.
  SendToLed({GetParam(), "OK"});
  ExpectFatal(kReadError);
  EXPECT_FALSE(Watched(led));
  Advance(70000);
  EXPECT_EQ(boxes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(LedSetting, Refusals, ::testing::Values("ERROR", "ok", "OK0", "LED=0", "0"));

TEST_F(LedSetting, SilenceEndsTheWaitWithNoReplyAndTheSettingCanBeSentAgain) {
  Open();
  Decide(kLedOn);
  Advance(69999);
  EXPECT_TRUE(boxes.empty());
  ExpectBusy();
  respond = [this](const Box&) {
    EXPECT_TRUE(led.busy()) << "the controls come back once the message was seen";
    return platform::IDOK;
  };
  Advance(1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], (Box{kNoReply, MessageBoxButtons::Ok, MessageBoxIcon::None}));
  ExpectIdle();
  EXPECT_EQ(current, 11);

  respond = [](const Box&) { return platform::IDOK; };
  Click(1037);
  Decide(kLedOff);
  SendToLed({"OK"});
  EXPECT_EQ(boxes.back(), kChanged);
  EXPECT_EQ(switches.back(), 10);
}

TEST_F(LedSetting, AnAnswerThatArrivesWhileTheNoReplyMessageIsOpenIsDropped) {
  Open();
  Decide(kLedOn);
  respond = [this](const Box& box) {
    if (box.text == kNoReply) SendToLed({"OK"});
    return platform::IDOK;
  };
  Advance(70000);
  ASSERT_EQ(boxes.size(), 1u) << "the late answer is no timer failure";
  EXPECT_EQ(current, 11);
  ExpectIdle();
}

TEST_F(LedSetting, LinesOutsideTheExchangeAreDropped) {
  Open();
  DeliverStray(led.handle(), "ERROR");
  EXPECT_TRUE(boxes.empty());
  Decide(kLedOn);
  // Both lines are posted together; the second reaches the screen after the
  // exchange has ended, while the confirmation is open.
  SendToLed({"OK", "ERROR"});
  EXPECT_EQ(boxes, std::vector<Box>{kChanged});
  EXPECT_EQ(closeRequests, 0);
  EXPECT_EQ(switches.back(), 10);
}

TEST_F(LedSetting, CommandsWhileTheSettingIsOnItsWayChangeNothing) {
  Open();
  Decide(kLedOn);
  EXPECT_TRUE(input.click(1039).has_value()) << "Back is disabled";
  EXPECT_TRUE(input.click(1037).has_value()) << "the radio buttons are disabled";
  windows.post(led.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1039, 0));
  windows.post(led.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1038, 0));
  RunUntilIdle();
  EXPECT_EQ(current, 11);
  EXPECT_TRUE(TakeWrites().empty());
  EXPECT_TRUE(Checked(1036));
}

TEST_F(LedSetting, AWriteFailureIsFatalWithTheScreenCode) {
  Open();
  faultySerial.failNext(testing::SerialCall::WriteFile, 31);
  Click(1038);
  ExpectFatal(u"ポート書き込みエラー(009  009)");
  EXPECT_FALSE(Watched(led));
}

TEST_F(LedSetting, AMissingCardIsFatalWithItsTextAlone) {
  Open();
  faultySerial.failNext(testing::SerialCall::WriteFile, platform::ERROR_DEVICE_NOT_AVAILABLE);
  Click(1038);
  ExpectFatal(u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。");
}

TEST_F(LedSetting, AWatchdogThatCannotBeArmedIsFatalEvenWithoutAnError) {
  Open();
  timers.failNextSet(0);
  Click(1038);
  ExpectFatal(u"タイマーエラー(201  009)");
}

TEST_F(LedSetting, AWatchdogThatCannotBeStoppedIsFatalAndTheOkIsNotTaken) {
  Open();
  Decide(kLedOn);
  timers.failNextKill(0);
  SendToLed({"OK"});
  ExpectFatal(u"タイマーエラー(202  009)");
  EXPECT_EQ(switches, std::vector<int>{11});
}

// A failed kill on expiry is fatal whatever last error it leaves, 0 included.
struct LedExpiryKillFailures : LedSetting, ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(LedExpiryKillFailures, AreFatalWhenTheWatchdogFallsDue) {
  Open();
  Decide(kLedOn);
  timers.failNextKill(GetParam());
  Advance(70000);
  ExpectFatal(u"タイマーエラー(202  009)");
  Advance(70000);
  EXPECT_EQ(boxes.size(), 1u) << "no no-reply message, then or later";
}

INSTANTIATE_TEST_SUITE_P(LedSetting, LedExpiryKillFailures, ::testing::Values(6u, 0u));

TEST_F(LedSetting, AReaderFailureLeavesTheSettingToItsWatchdogAndTheNextSettingFails) {
  Open();
  Decide(kLedOn);
  faultySerial.exhaustMemoryOnNextRead();
  card.send("\r\nOK\r\n");
  // The reader's pauses pass on the program's clock: keep it moving until
  // the reader has told its failure.
  ASSERT_TRUE(WaitFor([&] {
    clock.advance(platform::Duration(10));
    return !boxes.empty();
  }));
  RunUntilIdle();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], (Box{u"スレッドエラー(301  027)", MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_FALSE(channel.isOpen());
  EXPECT_EQ(CountDelivered(led.handle(), app::WM_SCREEN_STEP), 1u);
  EXPECT_EQ(CountDelivered(led.handle(), app::WM_DEVICE_LINE), 0u) << "the card's OK never reached the screen";
  EXPECT_EQ(switches, std::vector<int>{11}) << "no confirmation without the OK";
  EXPECT_EQ(closeRequests, 0);
  ExpectBusy();

  Advance(70000);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1], (Box{kNoReply, MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_FALSE(led.busy());
  EXPECT_FALSE(display.waitCursor());
  EXPECT_FALSE(Watched(led));
  EXPECT_EQ(current, 11);

  Click(1038);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[2], (Box{u"ポート書き込みエラー(003  009)", MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_EQ(closeRequests, 1);
  EXPECT_FALSE(Watched(led));
}

}  // namespace
}  // namespace p42r::status
