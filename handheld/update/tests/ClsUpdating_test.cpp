// The update run on the progress screen, in-process behind the fake serial
// port: every notice, every ending, the watchdog, the abort command, closing
// and unplugging, and each failure of the port and the timers.
#include "update/ClsUpdating.h"

#include <gtest/gtest.h>

#include "platform/LastError.h"
#include "update/tests/UpdateStage.h"

namespace p42r::update {
namespace {

using platform::MessageBoxButtons;
using platform::MessageBoxIcon;

constexpr const char* kStartCommand = "AT@KUPSTART\r\n\\0";
constexpr const char* kEndCommand = "AT@KUPEND\r\n\\0";
const std::u16string kNoReply = u"デバイスからの応答がありません。処理を中断します。";
const std::u16string kCompleted = u"ケータイアップデートが正常に完了しました。";

struct Updating : ::testing::Test, UpdateStage {
  void ExpectEndedWithBackFocused() {
    EXPECT_TRUE(BackUsable());
    EXPECT_EQ(updating.focus(), 1061);
    EXPECT_FALSE(HintShown());
    EXPECT_EQ(display.closeWarning(), u"") << "closing harms nothing any more";
    EXPECT_FALSE(updating.animation().running());
    EXPECT_FALSE(Watched());
  }
  void ExpectFatal(const std::u16string& text) {
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back(), (Box{text, MessageBoxButtons::Ok, MessageBoxIcon::Exclamation}));
    EXPECT_FALSE(portOpenAtBox.back()) << "the port is closed before the box is shown";
    EXPECT_EQ(closeRequests, 1);
    EXPECT_FALSE(channel.isOpen());
    EXPECT_FALSE(updating.animation().running());
  }
};

TEST_F(Updating, TheWarningComesFirstAndCancelLeavesTheCardUntouched) {
  respond = [](const Box&) { return platform::IDCANCEL; };
  SwitchScreen(8);
  RunUntilIdle();
  EXPECT_EQ(display.title(), u"ケータイアップデート");
  EXPECT_EQ(startPage.focus(), 1027);
  windows.post(startPage.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1027, 0));
  RunUntilIdle();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text,
            u"ケータイアップデートを始める前にAC電源を接続してください。\r\nケータイアップデート中はP42Rを取り外さないでください。"
            u"\r\n開始後は完了するまで中止できません。");
  EXPECT_EQ(boxes[0].buttons, MessageBoxButtons::OkCancel);
  EXPECT_EQ(boxes[0].icon, MessageBoxIcon::Exclamation);
  EXPECT_EQ(current, 8);
  EXPECT_TRUE(TakeWrites().empty());

  windows.post(startPage.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1028, 0));
  RunUntilIdle();
  EXPECT_EQ(switches.back(), 15) << "Back on the start page leads to the consumer menu";
}

TEST_F(Updating, TheSixteenNoticesMoveTheBarAndOkEndsTheRunWithBackFocused) {
  StartUpdate();
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{kStartCommand});
  EXPECT_EQ(Control(1090).text(), u"アプリケーションを終了させないで下さい。");
  EXPECT_TRUE(HintShown());
  EXPECT_EQ(display.closeWarning(), u"アプリケーションを終了させないで下さい。") << "a person closing is asked first";
  EXPECT_FALSE(BackUsable());
  EXPECT_EQ(Status(), u"");
  EXPECT_EQ(Control(1031).rangeLow(), 0);
  EXPECT_EQ(Control(1031).rangeHigh(), 100);
  EXPECT_TRUE(Watched());
  EXPECT_FALSE(Control(1030).isVisible()) << "the abort button is hidden";
  EXPECT_FALSE(Control(1079).isVisible()) << "the placeholder is hidden";

  const std::vector<std::pair<const char*, std::u16string>> notices = {
      {"VERCFSTR", u"バージョン確認開始"},          {"VERCFCPL", u"バージョン確認終了"},
      {"FDLSTART", u"ファイルダウンロード開始"},    {"FDL20", u"ファイルダウンロード２０％"},
      {"FDL40", u"ファイルダウンロード４０％"},     {"FDL60", u"ファイルダウンロード６０％"},
      {"FDL80", u"ファイルダウンロード８０％"},     {"FDLEND", u"ファイルダウンロード完了"},
      {"FPLSTART", u"ソフト更新開始"},              {"FPL20", u"ソフト更新２０％"},
      {"FPL40", u"ソフト更新４０％"},               {"FPL60", u"ソフト更新６０％"},
      {"FPL80", u"ソフト更新８０％"},               {"FPLEND", u"ソフト更新完了"},
      {"RSTNOTISTR", u"更新完了通知開始"},          {"RSTNOTICPL", u"更新完了通知終了"}};
  const std::vector<int> positions = {6, 12, 18, 25, 31, 37, 43, 50, 56, 62, 68, 75, 81, 87, 93, 100};
  for (std::size_t k = 0; k < notices.size(); ++k) {
    Send({notices[k].first});
    EXPECT_EQ(Status(), notices[k].second) << notices[k].first;
    EXPECT_EQ(Position(), positions[k]) << notices[k].first;
    EXPECT_FALSE(BackUsable()) << notices[k].first;
    EXPECT_TRUE(HintShown()) << notices[k].first;
    EXPECT_EQ(updating.versionCheck(), k == 0) << notices[k].first;
  }
  Send({"OK"});
  EXPECT_EQ(Status(), kCompleted);
  EXPECT_EQ(Position(), 100);
  ExpectEndedWithBackFocused();
  EXPECT_TRUE(updating.runEnded());
  EXPECT_TRUE(channel.isOpen());
  EXPECT_TRUE(boxes.size() == 1u) << "only the warning was shown";

  // The reader was stopped: nothing the card says now reaches the screen.
  const std::size_t delivered = CountDelivered(updating.handle(), app::WM_DEVICE_LINE);
  card.send("\r\nERROR\r\n\r\nFSTOP\r\n");
  RunUntilIdle();
  EXPECT_EQ(CountDelivered(updating.handle(), app::WM_DEVICE_LINE), delivered);
  EXPECT_EQ(Status(), kCompleted);

  windows.post(updating.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1061, 0));
  RunUntilIdle();
  EXPECT_EQ(switches.back(), 8);
}

TEST_F(Updating, LinesAfterTheEndAreIgnoredEvenWhenTheyArriveBeforeTheReaderStops) {
  StartUpdate();
  Send({"VERCFSTR", "ERROR", "FNO", "ERROR", "FSTOP", "FDL20"});
  EXPECT_EQ(Status(), u"ケータイアップデートの必要はありません。(FNO)");
  EXPECT_EQ(Position(), 100);
  ExpectEndedWithBackFocused();
}

struct Reason {
  const char* line;
  std::u16string text;
  bool fillsTheBar;
};

void PrintTo(const Reason& reason, std::ostream* out) { *out << reason.line; }

struct FailureReasons : Updating, ::testing::WithParamInterface<Reason> {};

TEST_P(FailureReasons, EachReasonShowsItsTextAndOnlyTheFinishingOnesFillTheBar) {
  StartUpdate();
  Send({"VERCFSTR", "VERCFCPL", "FDLSTART", "ERROR"});
  EXPECT_EQ(updating.pendingError(), u"ERROR");
  EXPECT_EQ(Status(), u"ファイルダウンロード開始") << "ERROR alone shows nothing";
  EXPECT_FALSE(BackUsable());
  EXPECT_TRUE(Watched());
  Send({GetParam().line});
  EXPECT_EQ(Status(), GetParam().text);
  EXPECT_EQ(Position(), GetParam().fillsTheBar ? 100 : 18);
  EXPECT_TRUE(updating.pendingError().empty());
  EXPECT_TRUE(updating.runEnded());
  ExpectEndedWithBackFocused();
  EXPECT_EQ(closeRequests, 0);
  EXPECT_TRUE(channel.isOpen());
}

const std::u16string kFailed = u"ケータイアップデートに失敗しました。";
INSTANTIATE_TEST_SUITE_P(
    Updating, FailureReasons,
    ::testing::Values(Reason{"FNO", u"ケータイアップデートの必要はありません。(FNO)", true},
                      Reason{"FSTOP", kFailed + u"(FSTOP)", false}, Reason{"FSZOV", kFailed + u"(FSZOV)", false},
                      Reason{"FCFHHO", kFailed + u"(FCFHHO)", false}, Reason{"FCFTO", kFailed + u"(FCFTO)", false},
                      Reason{"FCSTOP", kFailed + u"(FCSTOP)", false}, Reason{"FDLHHO", kFailed + u"(FDLHHO)", false},
                      Reason{"FDLNG", kFailed + u"(FDLNG)", false}, Reason{"FDLTO", kFailed + u"(FDLTO)", false},
                      Reason{"FDLSTOP", kFailed + u"(FDLSTOP)", false}, Reason{"FUPSTOP", kCompleted, true},
                      Reason{"NO CARRIER", u"電波状態の良いところへ移動してから実行してください。(NO CARRIER)", false},
                      Reason{"KUPRUNNING", u"アプリが実行中です、実行中のアプリを終了してください。(KUPRUNNING)", false},
                      Reason{"FCHSTOP", kFailed + u"(FCHSTOP)", false}),
    [](const ::testing::TestParamInfo<Reason>& param) {
      std::string name = param.param.line;
      std::erase(name, ' ');
      return name;
    });

struct UnlistedReasons : Updating, ::testing::WithParamInterface<const char*> {};

TEST_P(UnlistedReasons, AreFatalWithThePortStateErrorAndTheScreenCode) {
  StartUpdate();
  // The lines after the reason are in before the screen handles it, so they
  // reach the screen while the application closes; they open no more boxes.
  Send({"VERCFSTR", "ERROR", GetParam(), "ERROR", "FXYZ", "FDL20"});
  ExpectFatal(u"ポート状態エラー(011  007)");
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_EQ(closeRequests, 1);
  EXPECT_EQ(Status(), u"バージョン確認開始");
}

INSTANTIATE_TEST_SUITE_P(Updating, UnlistedReasons, ::testing::Values("VERCFSTR", "fno", "FNOX"));

TEST_F(Updating, TokensAreMatchedWholeAndByCaseAndAnythingElseIsIgnored) {
  StartUpdate();
  Send({"VERCFSTR"});
  Send({"vercfcpl", "VERCFCPLX", "OK?", "error", "ok"});
  EXPECT_EQ(Status(), u"バージョン確認開始");
  EXPECT_EQ(Position(), 6);
  EXPECT_FALSE(updating.runEnded());
  EXPECT_TRUE(updating.pendingError().empty());
  EXPECT_FALSE(BackUsable());
}

TEST_F(Updating, TenMinutesWithoutANoticeEndTheRunWithNoReplyAndThePortOpen) {
  StartUpdate();
  Send({"VERCFSTR", "VERCFCPL", "FDLSTART"});
  Advance(599999);
  EXPECT_FALSE(BackUsable());
  EXPECT_TRUE(Status() == u"ファイルダウンロード開始");
  Advance(1);
  EXPECT_EQ(Status(), kNoReply);
  EXPECT_EQ(Position(), 18) << "the bar stays where it was";
  ExpectEndedWithBackFocused();
  EXPECT_TRUE(channel.isOpen());
  EXPECT_FALSE(updating.runEnded()) << "the run-ended flag is left alone";
  EXPECT_EQ(closeRequests, 0);
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(Updating, TheKeepAliveReArmsTheWatchdogButAnUnrecognisedLineDoesNot) {
  StartUpdate();
  Send({"VERCFSTR", "VERCFCPL", "FDLSTART"});
  for (int minute = 4; minute <= 28; minute += 4) {
    Advance(4 * 60000);
    Send({"KUPDLCNT"});
  }
  EXPECT_EQ(Status(), u"ファイルダウンロード開始") << "28 minutes in, still running";
  EXPECT_FALSE(BackUsable());
  Send({"FDL20"});
  EXPECT_EQ(Position(), 25);

  Advance(9 * 60000);
  Send({"KUPDLCNTX", "FDL2O"});
  Advance(60000);
  EXPECT_EQ(Status(), kNoReply) << "unrecognised lines are no sign of life";
}

TEST_F(Updating, ErrorAfterTheWatchdogDoesNotCarryIntoTheNextRun) {
  StartUpdate();
  Send({"VERCFSTR", "ERROR"});
  Advance(600000);
  EXPECT_EQ(Status(), kNoReply);
  windows.post(updating.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1061, 0));
  RunUntilIdle();
  TakeWrites();
  StartUpdate();
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{kStartCommand});
  EXPECT_EQ(Status(), u"") << "the new run starts afresh";
  EXPECT_EQ(Position(), 0);
  EXPECT_FALSE(BackUsable());
  Send({"VERCFSTR"});
  EXPECT_EQ(Status(), u"バージョン確認開始") << "taken as a notice, not as a reason";
  EXPECT_EQ(closeRequests, 0);
}

TEST_F(Updating, AWriteFailureAtTheStartIsFatalWithTheScreenCode) {
  faultySerial.failNext(testing::SerialCall::WriteFile, 31);
  SwitchScreen(9);
  RunUntilIdle();
  ExpectFatal(u"ポート書き込みエラー(009  007)");
  EXPECT_FALSE(Watched()) << "no watchdog after a failed start";
  EXPECT_FALSE(updating.animation().running());
}

TEST_F(Updating, AMissingCardAtTheStartIsFatalWithItsTextAlone) {
  faultySerial.failNext(testing::SerialCall::WriteFile, platform::ERROR_DEVICE_NOT_AVAILABLE);
  SwitchScreen(9);
  RunUntilIdle();
  ExpectFatal(u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。");
}

TEST_F(Updating, TheReaderIsInPlaceAndTheCardGivenItsTimeBeforeTheCommand) {
  const platform::TimePoint shown = clock.now();
  platform::TimePoint written{};
  serial.onWrite([&](const std::string&) { written = clock.now(); });
  StartUpdate();
  // Stopping whatever reader ran before pauses 100 ms; then the new reader
  // gets its own 100 ms before the command goes out.
  EXPECT_EQ(written - shown, platform::Duration(200));
}

TEST_F(Updating, TimerCallsThatFailWithoutAnErrorCountAsDone) {
  timers.failNextSet(0);
  StartUpdate();
  Send({"VERCFSTR"});
  timers.failNextKill(0);
  Send({"OK"});
  EXPECT_EQ(Status(), kCompleted);
  EXPECT_EQ(closeRequests, 0);
}

TEST_F(Updating, AWatchdogThatCannotBeArmedIsFatal) {
  StartUpdate();
  timers.failNextSet(8);
  Send({"VERCFSTR"});
  ExpectFatal(u"タイマーエラー(201  007)");
  Advance(600000);
  EXPECT_EQ(boxes.size(), 2u) << "no second box while the application closes";
}

TEST_F(Updating, AWatchdogThatCannotBeDisarmedIsFatalAndTheStepStops) {
  StartUpdate();
  timers.failNextKill(6);
  Send({"OK"});
  ExpectFatal(u"タイマーエラー(202  007)");
  EXPECT_FALSE(updating.runEnded()) << "the step stops at the failed disarm";
}

TEST_F(Updating, ClosingDuringTheVersionCheckStopsTheUpdateAndLaterItIsLeftToRun) {
  StartUpdate();
  Send({"VERCFSTR"});
  TakeWrites();
  windows.send(updating.handle(), platform::WM_DESTROY);
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{kEndCommand});
  EXPECT_FALSE(updating.animation().running());
  // The reader was stopped: the card's lines no longer reach the screen.
  const std::size_t delivered = CountDelivered(updating.handle(), app::WM_DEVICE_LINE);
  card.send("\r\nVERCFCPL\r\n");
  RunUntilIdle();
  EXPECT_EQ(CountDelivered(updating.handle(), app::WM_DEVICE_LINE), delivered);
}

TEST_F(Updating, ARunThatEndedWithoutReplyDuringTheVersionCheckIsNotStoppedOnClosing) {
  StartUpdate();
  Send({"VERCFSTR"});
  Advance(600000);
  EXPECT_EQ(Status(), kNoReply);
  TakeWrites();
  windows.send(updating.handle(), platform::WM_DESTROY);
  EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(Updating, ClosingAfterTheVersionCheckWritesNothing) {
  StartUpdate();
  Send({"VERCFSTR", "VERCFCPL"});
  TakeWrites();
  windows.send(updating.handle(), platform::WM_DESTROY);
  EXPECT_TRUE(TakeWrites().empty());
}

TEST_F(Updating, ClosingWhenTheStopCannotBeWrittenIsQuiet) {
  StartUpdate();
  Send({"VERCFSTR"});
  faultySerial.failNext(testing::SerialCall::WriteFile, 31);
  windows.send(updating.handle(), platform::WM_DESTROY);
  EXPECT_FALSE(faultySerial.armed(testing::SerialCall::WriteFile)) << "the stop was tried";
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(closeRequests, 0);
}

TEST_F(Updating, TheCardUnpluggedMidRunEndsTheProgramWithNoReply) {
  StartUpdate();
  Send({"VERCFSTR", "VERCFCPL", "FDLSTART"});
  windows.post(updating.handle(), app::WM_DEVICE_REMOVED);
  RunUntilIdle();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes.back(), (Box{kNoReply, MessageBoxButtons::Ok, MessageBoxIcon::Exclamation}));
  EXPECT_EQ(closeRequests, 1);
  EXPECT_FALSE(channel.isOpen());
  EXPECT_FALSE(portOpenAtBox.back()) << "the port is closed before the box is shown";
  EXPECT_FALSE(updating.animation().running());
  EXPECT_EQ(display.closeWarning(), u"") << "the application is closing anyway";
  // A second notice of the same removal, or the card's last lines, change nothing.
  windows.post(updating.handle(), app::WM_DEVICE_REMOVED);
  RunUntilIdle();
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_EQ(closeRequests, 1);
}

TEST_F(Updating, TheCardUnpluggedAfterTheResultStillEndsTheProgram) {
  StartUpdate();
  Send({"VERCFSTR", "ERROR", "NO CARRIER"});
  ExpectEndedWithBackFocused();
  ASSERT_TRUE(channel.isOpen()) << "an ended run leaves the port open";
  windows.post(updating.handle(), app::WM_DEVICE_REMOVED);
  RunUntilIdle();
  ExpectFatal(kNoReply);
}

// The abort button is hidden, so only a command sent to the screen reaches it.
struct Abort : Updating {
  void Press() {
    windows.post(updating.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1030, 0));
    RunUntilIdle();
  }
  const Box kQuestion{u"ケータイアップデートを中止します。よろしいですか？", MessageBoxButtons::OkCancel,
                      MessageBoxIcon::Question};
};

TEST_F(Abort, AnAcceptedStopEndsTheRunWithTheStoppedText) {
  StartUpdate();
  Send({"VERCFSTR", "VERCFCPL"});
  TakeWrites();
  respond = [this](const Box& box) {
    if (box.buttons == MessageBoxButtons::OkCancel) {
      EXPECT_EQ(TakeWrites(), std::vector<std::string>{kEndCommand}) << "written before the question";
      EXPECT_FALSE(updating.abortNotRequested());
      Send({"OK"});  // the card's answer arrives while the question is open
      EXPECT_EQ(Status(), u"");
      EXPECT_TRUE(updating.runEnded());
    }
    return platform::IDOK;
  };
  Press();
  EXPECT_EQ(boxes.back(), kQuestion);
  EXPECT_EQ(Status(), u"ケータイアップデートを中止しました。");
  EXPECT_EQ(Position(), 12) << "a stopped update does not fill the bar";
  EXPECT_FALSE(Control(1030).isEnabled());
  EXPECT_TRUE(BackUsable());
  EXPECT_FALSE(Watched()) << "nothing is left to guard once the card has stopped";
}

TEST_F(Abort, ARefusedStopIsReportedAndTheUpdateGoesOn) {
  StartUpdate();
  Send({"VERCFSTR", "VERCFCPL"});
  respond = [this](const Box& box) {
    if (box.buttons == MessageBoxButtons::OkCancel) Send({"ERROR"});
    return platform::IDOK;
  };
  Press();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1], kQuestion);
  EXPECT_EQ(boxes[2], (Box{u"ケータイアップデートを中断できませんでした。", MessageBoxButtons::Ok,
                           MessageBoxIcon::Exclamation}));
  EXPECT_TRUE(updating.abortNotRequested());
  EXPECT_TRUE(updating.pendingError().empty()) << "the refusal is no failure";
  EXPECT_EQ(Status(), u"バージョン確認終了") << "not reported as stopped";
  EXPECT_FALSE(BackUsable());
  EXPECT_TRUE(HintShown());
  EXPECT_TRUE(Watched());
  Send({"FDLSTART", "OK"});
  EXPECT_EQ(Status(), kCompleted);
}

TEST_F(Abort, TheCardUnpluggedWhileTheQuestionIsOpenEndsTheProgramOnce) {
  StartUpdate();
  Send({"VERCFSTR", "VERCFCPL"});
  respond = [this](const Box& box) {
    if (box.buttons == MessageBoxButtons::OkCancel) windows.post(updating.handle(), app::WM_DEVICE_REMOVED);
    return platform::IDOK;
  };
  Press();
  ASSERT_EQ(boxes.size(), 3u);
  EXPECT_EQ(boxes[1], kQuestion);
  EXPECT_EQ(boxes[2], (Box{kNoReply, MessageBoxButtons::Ok, MessageBoxIcon::Exclamation}));
  EXPECT_FALSE(portOpenAtBox[2]) << "the port is closed before the box is shown";
  EXPECT_EQ(closeRequests, 1);
  EXPECT_FALSE(channel.isOpen());
  EXPECT_FALSE(updating.animation().running());
  // The same removal told again opens no second box.
  windows.post(updating.handle(), app::WM_DEVICE_REMOVED);
  RunUntilIdle();
  EXPECT_EQ(boxes.size(), 3u);
  EXPECT_EQ(closeRequests, 1);
}

TEST_F(Abort, CancelInTheQuestionStartsTheUpdateAgain) {
  StartUpdate();
  Send({"VERCFSTR", "VERCFCPL", "FDLSTART"});
  TakeWrites();
  respond = [](const Box&) { return platform::IDCANCEL; };
  Press();
  EXPECT_EQ(TakeWrites(), (std::vector<std::string>{kEndCommand, kStartCommand}));
  EXPECT_EQ(Position(), 0);
  EXPECT_EQ(Status(), u"");
  EXPECT_TRUE(updating.abortNotRequested());
  EXPECT_FALSE(BackUsable());
}

TEST_F(Abort, NothingMoreHappensWhenTheApplicationClosesDuringTheQuestion) {
  StartUpdate();
  Send({"VERCFSTR", "VERCFCPL"});
  TakeWrites();
  respond = [this](const Box& box) {
    if (box.buttons == MessageBoxButtons::OkCancel) windows.send(updating.handle(), platform::WM_DESTROY);
    return platform::IDCANCEL;  // what a quitting loop answers
  };
  Press();
  EXPECT_EQ(TakeWrites(), std::vector<std::string>{kEndCommand}) << "no new start while closing";
}

TEST_F(Abort, AStopThatCannotBeWrittenIsFatalWithTheScreenCode) {
  StartUpdate();
  faultySerial.failNext(testing::SerialCall::WriteFile, platform::ERROR_DEVICE_NOT_AVAILABLE);
  Press();
  ExpectFatal(u"通信デバイスが存在しないか、または検出されませんでした。処理を中断します。  007)");
}

}  // namespace
}  // namespace p42r::update
