// The connection result on the connection-destination screen, in-process:
// each result digit, the refusal, malformed answers and silence.
#include <gtest/gtest.h>

#include "admin/tests/AdminStage.h"

namespace p42r::admin {
namespace {

using platform::MessageBoxButtons;
using platform::MessageBoxIcon;

const std::string kCommand = "AT@CNLTRT";
const std::u16string kPortReadError = u"ポート読み込みエラー(011  016)";

struct ConnectionResult : ::testing::Test, AdminStage {
  void SetUp() override {
    Slots({"one.jp", "", ""});
    EnterLimit();
    TakeWrites();
  }
  // Asks for the result with the card answering `reply`, and waits until the
  // screen is idle again (or the application is closing).
  void Ask(const std::string& reply) {
    card.answer(kCommand, reply);
    Click(1046);
    ASSERT_TRUE(WaitFor([&] { return !limit.busy() || closeRequests > 0; }));
    RunUntilIdle();
    EXPECT_EQ(TakeWrites(), std::vector<std::string>{Wire(kCommand)});
  }
  void ExpectIdle() {
    EXPECT_FALSE(limit.busy());
    EXPECT_TRUE(LimitControlsEnabled(true));
    EXPECT_FALSE(display.waitCursor());
    EXPECT_FALSE(Watched(limit));
    EXPECT_EQ(limit.connectionResult(), -1);
    EXPECT_EQ(closeRequests, 0);
  }
  void ExpectFatal() {
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), (Box{kPortReadError, MessageBoxButtons::Ok, MessageBoxIcon::None}));
    EXPECT_EQ(closeRequests, 1);
    EXPECT_FALSE(channel.isOpen());
  }
};

struct Result {
  const char* digit;
  std::u16string text;
};

void PrintTo(const Result& r, std::ostream* out) { *out << r.digit; }

struct ResultDigits : ConnectionResult, ::testing::WithParamInterface<Result> {};

TEST_P(ResultDigits, EachDigitShowsItsSentenceWithTheInformationIcon) {
  Ask(Reply({GetParam().digit, "OK"}));
  EXPECT_EQ(boxes, (std::vector<Box>{{GetParam().text, MessageBoxButtons::Ok, MessageBoxIcon::Information}}));
  ExpectIdle();
  EXPECT_EQ(Rows(), (std::vector<std::u16string>{u"one.jp", u"", u""})) << "the list is not touched";
}

INSTANTIATE_TEST_SUITE_P(
    ConnectionResult, ResultDigits,
    ::testing::Values(Result{"0", u"ダイヤルアップ接続をしていません。"}, Result{"1", u"ダイヤルアップ接続に成功しました。"},
                      Result{"2", u"登録されているドメイン名が間違っているため、ダイヤルアップ接続に失敗しました。"},
                      Result{"3", u"ダイヤルアップ接続に失敗しました。"}),
    [](const ::testing::TestParamInfo<Result>& param) { return std::string("Digit") + param.param.digit; });

TEST_F(ConnectionResult, TheScreenIsBusyFromTheCommandToTheOkAfterTheDigit) {
  card.silence(kCommand);
  Click(1046);
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{Wire(kCommand)});
  EXPECT_TRUE(limit.busy());
  EXPECT_TRUE(LimitControlsEnabled(false));
  EXPECT_TRUE(display.waitCursor());
  EXPECT_TRUE(Watched(limit));
  EXPECT_EQ(limit.pendingOperation(), ClsLimitConnect::Operation::ConnectionResult);

  Send(limit.handle(), {"2"});
  EXPECT_EQ(limit.connectionResult(), 2);
  EXPECT_TRUE(limit.busy()) << "the digit alone does not end the exchange";
  EXPECT_TRUE(Watched(limit));
  EXPECT_TRUE(boxes.empty());
  Send(limit.handle(), {"OK"});
  EXPECT_EQ(boxes.size(), 1u);
  ExpectIdle();
  EXPECT_EQ(limit.pendingOperation(), ClsLimitConnect::Operation::ConnectionResult)
      << "the ended request's operation stays until the next command";
}

TEST_F(ConnectionResult, TheSecondOfTwoDigitLinesIsShown) {
  Ask(Reply({"0", "3", "OK"}));
  EXPECT_EQ(boxes, (std::vector<Box>{{u"ダイヤルアップ接続に失敗しました。", MessageBoxButtons::Ok,
                                      MessageBoxIcon::Information}}));
  ExpectIdle();
}

TEST_F(ConnectionResult, ErrorShowsThatTheResultCouldNotBeObtained) {
  Ask(Reply({"ERROR"}));
  EXPECT_EQ(boxes, (std::vector<Box>{{u"接続結果を取得できませんでした。", MessageBoxButtons::Ok, MessageBoxIcon::None}}));
  ExpectIdle();
}

TEST_F(ConnectionResult, ErrorAfterADigitForgetsTheDigit) {
  Ask(Reply({"1", "ERROR"}));
  EXPECT_EQ(boxes.size(), 1u);
  ExpectIdle();
  Ask(Reply({"OK"}));
  ExpectFatal();
}

TEST_F(ConnectionResult, OkWithoutADigitIsFatal) {
  Ask(Reply({"OK"}));
  ExpectFatal();
  EXPECT_EQ(boxes.size(), 1u);
}

struct MalformedLines : ConnectionResult, ::testing::WithParamInterface<const char*> {};

TEST_P(MalformedLines, AreFatalWithThePortReadError) {
  Ask(Reply({GetParam(), "OK"}));
  ExpectFatal();
  EXPECT_EQ(boxes.size(), 1u) << "the OK that followed opens no second box";
}

INSTANTIATE_TEST_SUITE_P(ConnectionResult, MalformedLines,
                         ::testing::Values("4", "9", "12", "01", "a", "-1", "1 2", "ok"));

TEST_F(ConnectionResult, ASecondRequestStartsAgainWithoutADigit) {
  Ask(Reply({"1", "OK"}));
  EXPECT_EQ(boxes.size(), 1u);
  ExpectIdle();
  Ask(Reply({"OK"}));
  ExpectFatal();
}

TEST_F(ConnectionResult, SilenceShowsNoReplyAndADigitHeardBeforeItIsNotShownLater) {
  card.answer(kCommand, Reply({"2"}));
  Click(1046);
  ASSERT_TRUE(WaitFor([&] { return limit.connectionResult() == 2; }));
  RunUntilIdle();
  Advance(69999);
  EXPECT_TRUE(boxes.empty());
  Advance(1);
  EXPECT_EQ(boxes, (std::vector<Box>{{u"デバイスからの応答がありません。処理を中断します。", MessageBoxButtons::Ok,
                                      MessageBoxIcon::None}}));
  ExpectIdle();
  TakeWrites();

  // The digit belonged to the request that went unanswered.
  Ask(Reply({"OK"}));
  ExpectFatal();
}

TEST_F(ConnectionResult, AWriteFailureIsFatalWithTheScreenCode) {
  faultySerial.failNext(testing::SerialCall::WriteFile, 5);
  Click(1046);
  EXPECT_EQ(boxes.back(), (Box{u"ポート書き込みエラー(009  016)", MessageBoxButtons::Ok, MessageBoxIcon::None}));
  EXPECT_EQ(closeRequests, 1);
  EXPECT_FALSE(channel.isOpen());
}

}  // namespace
}  // namespace p42r::admin
