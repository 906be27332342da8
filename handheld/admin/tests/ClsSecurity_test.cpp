// The ID registration in-process, behind the fake serial port: the command
// with the text encrypted and in clear, the card's answers, silence, and the
// failures of the port and the watchdog. The expected cipher text comes from
// an independent AES implementation.
#include "admin/ClsSecurity.h"

#include <gtest/gtest.h>

#include <vector>

#include "admin/tests/AdminStage.h"
#include "admin/tests/AesOracle.h"
#include "platform/LastError.h"

namespace p42r::admin {
namespace {

using platform::MessageBoxButtons;
using platform::MessageBoxIcon;

const std::u16string kNoReply = u"デバイスからの応答がありません。処理を中断します。";

std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

Box Plain(std::u16string text) { return Box{std::move(text), MessageBoxButtons::Ok, MessageBoxIcon::None}; }

struct Security : ::testing::Test, AdminStage {
  void SetUp() override { EnterSecurity(); }

  // Types `typed`, taps Register and answers the question with OK.
  void Register(const std::u16string& typed) {
    Type(1069, typed);
    Click(1070);
  }
  std::string Command(const std::string& text) const { return "AT@DMRW=" + OracleHex(text) + "," + text; }
  void ExpectIdle() {
    EXPECT_FALSE(security.busy());
    EXPECT_TRUE(SecurityControlsEnabled(true));
    EXPECT_FALSE(display.waitCursor());
    EXPECT_FALSE(Watched(security));
    EXPECT_EQ(closeRequests, 0);
  }
  void ExpectFatal(const std::u16string& text) {
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), Plain(text));
    EXPECT_EQ(closeRequests, 1);
    EXPECT_FALSE(channel.isOpen());
  }
};

TEST_F(Security, ShowingTheScreenPutsTheFocusIntoTheFieldWhichTakesTextDirectly) {
  EXPECT_EQ(security.focus(), 1069);
  EXPECT_TRUE(SecurityControl(1069).inputMethodDetached());
  EXPECT_EQ(SecurityControl(1069).maxLength(), 64u);
  ExpectIdle();
  EXPECT_TRUE(TakeWrites().empty()) << "showing the screen says nothing to the card";
}

TEST_F(Security, TheTrimmedTextIsAskedAboutThenSentEncryptedAndInClearAndOkEmptiesTheField) {
  card.answer(Command("ID-0042"), Reply({"OK"}));
  Register(u"  ID-0042 \t");
  AwaitIdle(security);
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{Wire(Command("ID-0042"))});
  EXPECT_EQ(boxes, (std::vector<Box>{
                       {u"ID-0042を登録します、よろしいですか。", MessageBoxButtons::OkCancel, MessageBoxIcon::Question},
                       {u"ID-0042を登録しました。", MessageBoxButtons::Ok, MessageBoxIcon::Information}}));
  EXPECT_EQ(SecurityControl(1069).text(), u"");
  EXPECT_TRUE(security.registrationText().empty());
  ExpectIdle();
}

TEST_F(Security, SixteenCharactersSendOneBlockAndSeventeenSendTwo) {
  card.answer(Command("0123456789abcdef"), Reply({"OK"}));
  Register(u"0123456789abcdef");
  AwaitIdle(security);
  card.answer(Command("0123456789abcdefg"), Reply({"OK"}));
  Register(u"0123456789abcdefg");
  AwaitIdle(security);
  const auto writes = TakeWrites();
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0], Wire(Command("0123456789abcdef")));
  EXPECT_EQ(writes[0].find(','), std::string("AT@DMRW=").size() + 32);
  EXPECT_EQ(writes[1], Wire(Command("0123456789abcdefg")));
  EXPECT_EQ(writes[1].find(','), std::string("AT@DMRW=").size() + 64);
}

TEST_F(Security, TheLongestTextTheFieldTakesIsEncryptedWhole) {
  const std::string longest(64, 'x');
  card.answer(Command(longest), Reply({"OK"}));
  Register(Wide(longest + "yy"));
  AwaitIdle(security);
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{Wire(Command(longest))});
  EXPECT_EQ(boxes.back().icon, MessageBoxIcon::Information);
}

TEST_F(Security, ErrorShowsThatTheTextCouldNotBeRegisteredAndKeepsTheField) {
  card.answer(Command("abc"), Reply({"ERROR"}));
  Register(u" abc ");
  AwaitIdle(security);
  EXPECT_EQ(boxes.back(), Plain(u"abcを登録できませんでした。"));
  EXPECT_EQ(SecurityControl(1069).text(), u" abc ");
  ExpectIdle();
}

TEST_F(Security, AFieldOfOnlySpacesOrACancelledQuestionSendsNothing) {
  Register(u"   ");
  EXPECT_TRUE(boxes.empty());
  respond = [](const Box&) { return platform::IDCANCEL; };
  Register(u"abc");
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(TakeWrites().empty());
  EXPECT_EQ(SecurityControl(1069).text(), u"abc");
  ExpectIdle();
}

TEST_F(Security, ATextWithALineBreakInsideIsRefusedRatherThanSplitIntoTwoCommands) {
  Register(u"abc\r\nAT@ALDD=1");
  EXPECT_EQ(boxes, std::vector<Box>{Plain(u"abc\r\nAT@ALDD=1を登録できませんでした。")});
  EXPECT_TRUE(TakeWrites().empty());
  EXPECT_EQ(SecurityControl(1069).text(), u"abc\r\nAT@ALDD=1");
  ExpectIdle();
}

TEST_F(Security, WhileTheCommandIsOutEverythingIsDisabledAndAnOkJustInTimeRegisters) {
  card.silence(Command("abc"));
  Register(u"abc");
  EXPECT_TRUE(security.busy());
  EXPECT_TRUE(SecurityControlsEnabled(false));
  EXPECT_TRUE(display.waitCursor());
  EXPECT_TRUE(Watched(security));
  Advance(69000);
  Send(security.handle(), {"OK"});
  EXPECT_EQ(boxes.back(), (Box{u"abcを登録しました。", MessageBoxButtons::Ok, MessageBoxIcon::Information}));
  ExpectIdle();
}

TEST_F(Security, NoReplyWithinSeventySecondsShowsNoReplyAndKeepsTheField) {
  card.silence(Command("abc"));
  Register(u"abc");
  Advance(69999);
  EXPECT_TRUE(security.busy());
  Advance(1);
  EXPECT_EQ(boxes.back(), Plain(kNoReply));
  EXPECT_EQ(current, 14);
  EXPECT_EQ(SecurityControl(1069).text(), u"abc");
  ExpectIdle();
}

TEST_F(Security, AReplyWithNoWatchdogRunningIsFatalWithTheTimerError) {
  // The second OK arrives while the first one's message is open.
  card.answer(Command("abc"), Reply({"OK", "OK"}));
  Register(u"abc");
  ASSERT_TRUE(WaitFor([&] { return closeRequests == 1; }));
  RunUntilIdle();
  ExpectFatal(u"タイマーエラー(202  022)");
  EXPECT_EQ(boxes.size(), 3u);
}

TEST_F(Security, AReplyThatIsNeitherOkNorErrorIsFatalWithThePortStateError) {
  card.answer(Command("abc"), Reply({"BUSY", "OK"}));
  Register(u"abc");
  ASSERT_TRUE(WaitFor([&] { return closeRequests == 1; }));
  RunUntilIdle();
  ExpectFatal(u"ポート状態エラー(011  022)");
  EXPECT_EQ(boxes.size(), 2u) << "the question and the error; the OK behind it opens nothing";
}

TEST_F(Security, PortFailuresWhileSendingAreFatalWithTheScreenCodeExceptTheMissingDevice) {
  faultySerial.failNext(testing::SerialCall::WriteFile, 5);
  Register(u"abc");
  ExpectFatal(u"ポート書き込みエラー(009  022)");
  EXPECT_FALSE(security.busy());
  EXPECT_FALSE(Watched(security));
}

TEST_F(Security, AVanishedDeviceShowsTheDeviceMissingTextAlone) {
  faultySerial.failNext(testing::SerialCall::WriteFile, platform::ERROR_DEVICE_NOT_AVAILABLE);
  Register(u"abc");
  ExpectFatal(u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。");
}

TEST_F(Security, AWatchdogThatCannotBeArmedIsFatalEvenWithoutAnError) {
  card.silence(Command("abc"));
  timers.failNextSet(platform::ERROR_SUCCESS);
  Register(u"abc");
  ExpectFatal(u"タイマーエラー(201  022)");
}

TEST_F(Security, AWatchdogThatCannotBeStoppedIsFatal) {
  card.answer(Command("abc"), Reply({"OK"}));
  timers.failNextKill(platform::ERROR_INVALID_HANDLE);
  Register(u"abc");
  ASSERT_TRUE(WaitFor([&] { return closeRequests == 1; }));
  RunUntilIdle();
  ExpectFatal(u"タイマーエラー(202  022)");
  EXPECT_EQ(boxes.size(), 2u) << "the registration is not reported";
}

TEST_F(Security, BackEmptiesTheFieldAndLeadsToTheMenu) {
  Type(1069, u"abc");
  Click(1061);
  EXPECT_EQ(switches.back(), 7);
  EXPECT_EQ(SecurityControl(1069).text(), u"");
  EXPECT_TRUE(TakeWrites().empty());
}

}  // namespace
}  // namespace p42r::admin
