// The communication state screen in-process behind the fake serial port:
// every reply form of the reception query, the watchdog on virtual time,
// the pictures and their repaint, and each failure of the port and the timers.
#include "status/ClsDispState.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/LastError.h"
#include "status/tests/StatusStage.h"

namespace p42r::status {
namespace {

using platform::MessageBoxButtons;
using platform::MessageBoxIcon;

constexpr const char* kQuery = "AT@HYBRRSSI?\r\n\\0";
const std::u16string kNoReply = u"デバイスからの応答がありません。処理を中断します。";
const Box kNotObtained{u"通信状態を取得できませんでした。", MessageBoxButtons::Ok, MessageBoxIcon::None};
const std::u16string kReadError = u"ポート読み込みエラー(011  008)";
constexpr std::uint16_t kButtons[] = {1033, 1034, 1035};

struct DispState : ::testing::Test, StatusStage {
  void Open() {
    SwitchScreen(10);
    RunUntilIdle();
  }
  // "状態取得" tapped; the query is on its way.
  void Query() {
    Click(1033);
    ASSERT_EQ(TakeWrites(), std::vector<std::string>{kQuery});
  }
  void ExpectBusy() {
    for (std::uint16_t id : kButtons) EXPECT_FALSE(StateControl(id).isEnabled()) << id;
    EXPECT_TRUE(display.waitCursor());
    EXPECT_TRUE(state.busy());
    EXPECT_TRUE(Watched(state));
  }
  void ExpectIdle() {
    for (std::uint16_t id : kButtons) EXPECT_TRUE(StateControl(id).isEnabled()) << id;
    EXPECT_FALSE(display.waitCursor());
    EXPECT_FALSE(state.busy());
    EXPECT_FALSE(Watched(state));
    EXPECT_EQ(state.focus(), 1033);
    EXPECT_TRUE(ReaderStopped());
    EXPECT_TRUE(channel.isOpen());
    EXPECT_EQ(closeRequests, 0);
  }
  void ExpectFatal(const std::u16string& text, bool portOpenAtTheBox = true) {
    ASSERT_EQ(boxes.size(), 1u) << "exactly one box for one failure";
    EXPECT_EQ(boxes[0], (Box{text, MessageBoxButtons::Ok, MessageBoxIcon::None}));
    EXPECT_EQ(portOpenAtBox[0], portOpenAtTheBox);
    EXPECT_EQ(closeRequests, 1);
    EXPECT_FALSE(channel.isOpen());
    EXPECT_TRUE(ReaderStopped());
  }
};

TEST_F(DispState, ActivationPreparesAnIdleScreenWithoutLabelOrPicture) {
  EXPECT_FALSE(StateControl(1078).isVisible()) << "the picture area is hidden from the first layout on";
  EXPECT_EQ(NetworkLabel(), u"CDMA 1X WIN") << "the template text, until the screen is shown";
  Open();
  EXPECT_EQ(NetworkLabel(), u"");
  EXPECT_EQ(state.focus(), 1033);
  EXPECT_EQ(Picture(), 0);
  EXPECT_FALSE(state.busy());
  EXPECT_FALSE(Watched(state));
  EXPECT_TRUE(TakeWrites().empty()) << "nothing is asked before 状態取得";
  EXPECT_TRUE(boxes.empty());
}

struct Reception {
  const char* line;
  std::u16string label;
  int picture;
};
void PrintTo(const Reception& reception, std::ostream* out) { *out << reception.line; }

struct ReceptionStates : DispState, ::testing::WithParamInterface<Reception> {};

TEST_P(ReceptionStates, TheLabelFollowsTheDataLineAndThePictureTheOk) {
  Open();
  Query();
  ExpectBusy();
  SendToState({GetParam().line});
  EXPECT_EQ(NetworkLabel(), GetParam().label) << "the label changes with the data line";
  EXPECT_EQ(Picture(), 0) << "the picture waits for OK";
  ExpectBusy();
  SendToState({"OK"});
  EXPECT_EQ(Picture(), GetParam().picture);
  EXPECT_EQ(state.shownPicture(), GetParam().picture);
  EXPECT_EQ(state.savedLevel(), -1);
  EXPECT_EQ(NetworkLabel(), GetParam().label);
  ExpectIdle();
  EXPECT_TRUE(boxes.empty());
  EXPECT_TRUE(TakeWrites().empty());
}

// The kind picks the network and with it the field that holds the level.
INSTANTIATE_TEST_SUITE_P(DispState, ReceptionStates,
                         ::testing::Values(Reception{"1,3,4", u"CDMA 1X WIN", 142},  // level 3: two bars
                                           Reception{"4,0,2", u"CDMA 1X", 139},      // level 4: three bars
                                           Reception{"0,0,5", u"", 138},             // 圏外, no kind shown
                                           Reception{"2,0,1", u"CDMA 1X", 141},      // level 2: one bar
                                           Reception{"4,1,3", u"CDMA 1X WIN", 140},  // level 1: no bars
                                           Reception{"0,4,2", u"CDMA 1X", 138},
                                           Reception{"3,4,5", u"", 142}),
                         [](const ::testing::TestParamInfo<Reception>& param) {
                           std::string name = param.param.line;
                           std::replace(name.begin(), name.end(), ',', '_');
                           return "Line_" + name;
                         });

TEST_F(DispState, ThePictureIsStretchedOrCopiedUnscaledToTheWindowCorner) {
  Open();
  Query();
  SendToState({"1,3,4", "OK"});
  const platform::Picture& stretched = StateControl(1078).picture();
  EXPECT_EQ(stretched.resource, 142);
  EXPECT_EQ(stretched.mode, platform::PictureMode::Stretch);

  display.setCanStretch(false);
  Query();
  SendToState({"4,0,2", "OK"});
  const platform::Picture& unscaled = StateControl(1078).picture();
  EXPECT_EQ(unscaled.resource, 139);
  EXPECT_EQ(unscaled.mode, platform::PictureMode::Unscaled);
}

TEST_F(DispState, ARepaintDrawsThePictureShownLastUntilTheScreenIsShownAgain) {
  Open();
  windows.post(state.handle(), platform::WM_PAINT);
  RunUntilIdle();
  EXPECT_EQ(drawn, std::vector<int>{0}) << "only the activation's clearing: no picture before the first OK";

  Query();
  SendToState({"1,3,4", "OK"});
  windows.post(state.handle(), platform::WM_PAINT);
  RunUntilIdle();
  EXPECT_EQ(drawn, (std::vector<int>{0, 142, 142}));

  // The picture and the label stay between queries on the screen.
  Query();
  SendToState({"ERROR"});
  EXPECT_EQ(Picture(), 142);
  EXPECT_EQ(NetworkLabel(), u"CDMA 1X WIN");

  Click(1034);
  EXPECT_EQ(current, 11);
  Click(1039);
  EXPECT_EQ(current, 10);
  EXPECT_EQ(NetworkLabel(), u"");
  EXPECT_EQ(Picture(), 0);
  EXPECT_EQ(state.shownPicture(), 0);
  drawn.clear();
  windows.post(state.handle(), platform::WM_PAINT);
  RunUntilIdle();
  EXPECT_TRUE(drawn.empty()) << "the picture of the last visit is forgotten";
}

TEST_F(DispState, ErrorShowsItsMessageAndKeepsThePreviousPicture) {
  Open();
  Query();
  SendToState({"1,3,4", "OK"});
  Query();
  SendToState({"0,0,1"});
  EXPECT_EQ(NetworkLabel(), u"CDMA 1X");
  respond = [this](const Box&) {
    EXPECT_TRUE(state.busy()) << "the screen is idle only once the message was seen";
    return platform::IDOK;
  };
  SendToState({"ERROR"});
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], kNotObtained);
  EXPECT_EQ(Picture(), 142) << "the previous picture stays";
  EXPECT_EQ(state.savedLevel(), -1);
  ExpectIdle();

  // The level of the refused query is gone: OK alone has nothing to show.
  Query();
  SendToState({"OK"});
  EXPECT_EQ(boxes.back().text, kReadError);
}

struct UnusableLevels : DispState, ::testing::WithParamInterface<const char*> {};

TEST_P(UnusableLevels, OkWithoutAUsableLevelIsFatal) {
  Open();
  Query();
  SendToState({"2,2,1", "OK"});
  ASSERT_EQ(NetworkLabel(), u"CDMA 1X");
  Query();
  SendToState({GetParam()});
  EXPECT_EQ(NetworkLabel(), u"CDMA 1X") << "a line without a kind leaves the label alone";
  EXPECT_TRUE(boxes.empty()) << "the data line itself is taken";
  EXPECT_TRUE(Watched(state));
  SendToState({"OK"});
  ExpectFatal(kReadError);
  EXPECT_EQ(Picture(), 141) << "no picture for an unusable level";
}

INSTANTIATE_TEST_SUITE_P(DispState, UnusableLevels,
                         ::testing::Values("1,2", "1,2,3,4", "7", "1,2,0", "1,2,6", "1,2,9"));

TEST_F(DispState, ALevelAboveFourIsFatalOnOk) {
  Open();
  Query();
  SendToState({"5,0,1"});
  EXPECT_EQ(NetworkLabel(), u"CDMA 1X");
  SendToState({"OK"});
  ExpectFatal(kReadError);
  EXPECT_EQ(Picture(), 0);
}

TEST_F(DispState, OkWithoutADataLineIsFatal) {
  Open();
  Query();
  SendToState({"OK"});
  ExpectFatal(kReadError);
}

struct MalformedFields : DispState, ::testing::WithParamInterface<const char*> {};

TEST_P(MalformedFields, AFieldThatIsNotOneDigitIsFatalAtOnce) {
  Open();
  Query();
  // The OK is in before the screen handles the data line, so it reaches the
  // screen while the application closes; it opens no second box.
  SendToState({GetParam(), "OK"});
  ExpectFatal(kReadError);
  EXPECT_EQ(NetworkLabel(), u"") << "the label is not touched";
  EXPECT_EQ(Picture(), 0);
  EXPECT_FALSE(Watched(state)) << "no watchdog is armed again";
  Advance(70000);
  EXPECT_EQ(boxes.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(DispState, MalformedFields,
                         ::testing::Values("10,2,3", "1,2,3x", "a,2,3", "1,,3", "1,2,", ",1,2", "1;2;3", "1,2,3,",
                                           "+CSQ: 5", "ok", "Error", "\x82\x50,2,3"));  // a full-width 1 in CP932

TEST_F(DispState, EachDataLineBuysAFreshSeventySeconds) {
  Open();
  Query();
  Advance(60000);
  SendToState({"1,3,4"});
  Advance(69999);
  EXPECT_TRUE(boxes.empty());
  SendToState({"4,0,2"});
  Advance(69999);
  EXPECT_TRUE(boxes.empty());
  ExpectBusy();
  Advance(1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], (Box{kNoReply, MessageBoxButtons::Ok, MessageBoxIcon::None}));
  ExpectIdle();
}

TEST_F(DispState, SilenceEndsTheQueryWithNoReplyAndAnotherQueryMayFollow) {
  Open();
  Query();
  Advance(69999);
  EXPECT_TRUE(boxes.empty());
  ExpectBusy();
  Advance(1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, kNoReply);
  ExpectIdle();
  EXPECT_EQ(NetworkLabel(), u"");

  Query();
  SendToState({"0,0,5", "OK"});
  EXPECT_EQ(Picture(), 138);
  ExpectIdle();
}

TEST_F(DispState, ALevelFromAQueryThatWentUnansweredIsNotShownForTheNext) {
  Open();
  Query();
  SendToState({"1,3,4"});
  Advance(70000);
  ASSERT_EQ(boxes.size(), 1u);
  Query();
  SendToState({"OK"});
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, kReadError);
  EXPECT_EQ(Picture(), 0);
}

TEST_F(DispState, AReplyThatArrivesWhileTheNoReplyMessageIsOpenIsDropped) {
  Open();
  Query();
  respond = [this](const Box& box) {
    // The reader still runs until the screen is idle again.
    if (box.text == kNoReply) SendToState({"1,3,4", "OK"});
    return platform::IDOK;
  };
  Advance(70000);
  ASSERT_EQ(boxes.size(), 1u) << "the late reply is no timer failure";
  EXPECT_EQ(NetworkLabel(), u"");
  EXPECT_EQ(Picture(), 0);
  ExpectIdle();
}

TEST_F(DispState, LinesOutsideAQueryAreDropped) {
  Open();
  DeliverStray(state.handle(), "1,3,4");
  DeliverStray(state.handle(), "OK");
  Query();
  SendToState({"4,0,2", "OK"});
  DeliverStray(state.handle(), "OK");
  DeliverStray(state.handle(), "10,2,3");
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Picture(), 139);
  EXPECT_EQ(NetworkLabel(), u"CDMA 1X");
  ExpectIdle();
}

TEST_F(DispState, TheReaderIsInPlaceAndTheCardGivenItsTimeBeforeTheQuery) {
  Open();
  const platform::TimePoint tapped = clock.now();
  platform::TimePoint written{};
  serial.onWrite([&](const std::string&) { written = clock.now(); });
  Query();
  EXPECT_EQ(written - tapped, platform::Duration(100));
  EXPECT_EQ(serial.eventMask(), 1u) << "the reader waits for received characters";
}

TEST_F(DispState, TheButtonsLeadToTheLedSettingAndBackToTheGeneralMenu) {
  Open();
  Query();
  // Disabled buttons cannot be tapped, and a command that arrives anyway
  // does not leave the screen in the middle of the query.
  EXPECT_TRUE(input.click(1035).has_value());
  windows.post(state.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1035, 0));
  windows.post(state.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1033, 0));
  RunUntilIdle();
  EXPECT_EQ(current, 10);
  EXPECT_TRUE(TakeWrites().empty()) << "no second query while one runs";
  SendToState({"1,3,4", "OK"});

  Click(1034);
  EXPECT_EQ(switches.back(), 11);
  Click(1039);
  Click(1035);
  EXPECT_EQ(switches, (std::vector<int>{10, 11, 10, 5}));
  EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(DispState, AWriteFailureIsFatalWithTheScreenCode) {
  Open();
  faultySerial.failNext(testing::SerialCall::WriteFile, 31);
  Click(1033);
  ExpectFatal(u"ポート書き込みエラー(009  008)");
  EXPECT_FALSE(Watched(state));
}

TEST_F(DispState, AMissingCardIsFatalWithItsTextAlone) {
  Open();
  faultySerial.failNext(testing::SerialCall::WriteFile, platform::ERROR_DEVICE_NOT_AVAILABLE);
  Click(1033);
  ExpectFatal(u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。");
}

TEST_F(DispState, AWatchdogThatCannotBeArmedIsFatalEvenWithoutAnError) {
  Open();
  timers.failNextSet(0);
  Click(1033);
  ExpectFatal(u"タイマーエラー(201  008)");
}

// A failed timer call is fatal whatever last error it leaves, 0 included.
struct DispStateTimerFailures : DispState, ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(DispStateTimerFailures, AreFatalWhenTheWatchdogIsReArmedAfterADataLine) {
  Open();
  Query();
  timers.failNextSet(GetParam());
  SendToState({"1,3,4", "OK"});
  ExpectFatal(u"タイマーエラー(201  008)");
  EXPECT_EQ(Picture(), 0);
}

TEST_P(DispStateTimerFailures, AreFatalWhenTheWatchdogFallsDue) {
  Open();
  Query();
  timers.failNextKill(GetParam());
  Advance(70000);
  ExpectFatal(u"タイマーエラー(202  008)");
  Advance(70000);
  EXPECT_EQ(boxes.size(), 1u) << "no no-reply message, then or later";
}

INSTANTIATE_TEST_SUITE_P(DispState, DispStateTimerFailures, ::testing::Values(8u, 0u));

TEST_F(DispState, AWatchdogThatCannotBeStoppedIsFatalAndTheLineIsNotTaken) {
  Open();
  Query();
  timers.failNextKill(0);
  SendToState({"1,3,4"});
  ExpectFatal(u"タイマーエラー(202  008)");
  EXPECT_EQ(NetworkLabel(), u"") << "nothing else is done with the line";
}

TEST_F(DispState, AReaderFailureLeavesTheQueryToItsWatchdogAndTheNextQueryFails) {
  Open();
  Query();
  faultySerial.exhaustMemoryOnNextRead();
  card.send("\r\n1,3,4\r\n");
  // The reader's pauses pass on the program's clock: keep it moving until
  // the reader has told its failure.
  ASSERT_TRUE(WaitFor([&] {
    clock.advance(platform::Duration(10));
    return !boxes.empty();
  }));
  RunUntilIdle();
  EXPECT_EQ(boxes[0].text, u"スレッドエラー(301  027)");
  EXPECT_FALSE(channel.isOpen());
  EXPECT_EQ(CountDelivered(state.handle(), app::WM_SCREEN_STEP), 1u);
  ExpectBusy();
  Advance(70000);
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, kNoReply);
  Click(1033);
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[2].text, u"ポート書き込みエラー(003  008)");
  EXPECT_EQ(closeRequests, 1);
}

}  // namespace
}  // namespace p42r::status
