// The phone update end to end: p42r in script mode on virtual time, with the
// simulated card on a pseudo-terminal behind the real serial port, from the
// consumer menu to the update's result.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "testing/ScriptSession.h"
#include "testing/TempDirectory.h"

namespace p42r::update {
namespace {

using testing::ScriptSession;
using Json = ScriptSession::Json;

const std::string kCompleted = "ケータイアップデートが正常に完了しました。";
const std::string kNoReply = "デバイスからの応答がありません。処理を中断します。";

struct PhoneUpdate : ::testing::Test {
  testing::TempDirectory root;
  std::unique_ptr<ScriptSession> session;
  // A card of its own that outlives the runs, when a test plugs one in.
  std::unique_ptr<testing::ProgramProcess> pluggedCard;

  // With no scenario, the card already plugged into the device root.
  void Run(const std::string& scenario) {
    session = std::make_unique<ScriptSession>(P42R_PROGRAM, root.path().string(), scenario);
    ASSERT_EQ(Command("wait screen 15")["reply"], "ok") << session->process().standardError() << Log();
    ASSERT_EQ(Command("watch on")["reply"], "ok");
  }

  Json Command(const std::string& line) { return session->Command(line); }
  std::optional<Json> Await(const ScriptSession::Match& match) { return session->Await(match); }
  static ScriptSession::Match ControlEvent(int id, const std::string& property) {
    return ScriptSession::ControlEvent(9, id, property);
  }
  std::optional<Json> AwaitControl(int id, const std::string& property) { return Await(ControlEvent(id, property)); }
  // The next status text shown (the start's clearing is no text).
  std::optional<Json> AwaitStatus() {
    return Await([](const Json& v) { return ControlEvent(1072, "text")(v) && v["value"] != ""; });
  }
  static const Json& Control(const Json& dump, int id) { return ScriptSession::Control(dump, id); }

  // Consumer menu → phone update → Start → OK: the progress screen runs.
  void OpenProgressScreen(std::size_t run = 1) {
    ASSERT_EQ(Command("click 1073")["reply"], "ok");
    ASSERT_EQ(Command("wait screen 8")["reply"], "ok");
    StartAgain(run);
  }
  // Start → OK from the start page, for run number `run`; it returns once
  // the card has the command (only then may the card's time pass).
  void StartAgain(std::size_t run) {
    ASSERT_EQ(Command("click 1027")["reply"], "ok");
    ASSERT_EQ(Command("wait msgbox")["msgbox"]["icon"], "exclamation");
    ASSERT_EQ(Command("answer ok")["reply"], "ok");
    // A card that answers at once may have its answer shown before the
    // screen is reported, so the search starts with the screen's own events.
    const std::size_t shown = session->Seen().size();
    ASSERT_EQ(Command("wait screen 9")["reply"], "ok");
    const bool got = pluggedCard ? pluggedCard->awaitStandardError("card <- AT@KUPSTART", run)
                                 : session->AwaitCardTrace("card <- AT@KUPSTART", run);
    ASSERT_TRUE(got) << "the card never got the command";
    session->LookFrom(shown);
  }

  // Lets the card's time pass a second at a time, each notice handled
  // before the next second: one large step could run past the watchdog
  // before the card's lines are in.
  void AdvanceThroughNotices(int count) {
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(Command("advance 1000")["reply"], "ok");
      ASSERT_TRUE(AwaitStatus()) << "notice " << i + 1;
    }
  }

  std::string Log() const {
    std::ifstream file(root.path() / "Program Files" / "P42R" / "p42r_softup.log", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }

  // Waits (at most ten seconds of real time) until the log holds `text` `count` times.
  bool AwaitLogCount(const std::string& text, std::size_t count) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
      const std::string log = Log();
      std::size_t found = 0;
      for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++found;
      if (found >= count) return true;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::yield();
    }
  }

  void ExpectExit() { EXPECT_EQ(session->AwaitExit(), 0) << session->process().standardError(); }
};

TEST_F(PhoneUpdate, AFullUpdateFromTheConsumerMenuToItsResultAndBack) {
  Run("update-fast");
  OpenProgressScreen();
  const auto start = Command("dump");
  EXPECT_EQ(Control(start, 1061)["enabled"], false);
  EXPECT_EQ(Control(start, 1090)["text"], "アプリケーションを終了させないで下さい。");
  EXPECT_EQ(Control(start, 1090)["visible"], true);
  EXPECT_EQ(Control(start, 1030)["visible"], false) << "the abort button stays hidden";

  const std::vector<std::pair<int, std::string>> steps = {
      {6, "バージョン確認開始"},        {12, "バージョン確認終了"},
      {18, "ファイルダウンロード開始"}, {25, "ファイルダウンロード２０％"},
      {31, "ファイルダウンロード４０％"}, {37, "ファイルダウンロード６０％"},
      {43, "ファイルダウンロード８０％"}, {50, "ファイルダウンロード完了"},
      {56, "ソフト更新開始"},           {62, "ソフト更新２０％"},
      {68, "ソフト更新４０％"},         {75, "ソフト更新６０％"},
      {81, "ソフト更新８０％"},         {87, "ソフト更新完了"},
      {93, "更新完了通知開始"},         {100, "更新完了通知終了"}};
  for (const auto& [position, text] : steps) {
    ASSERT_EQ(Command("advance 200")["reply"], "ok");
    const auto status = AwaitStatus();
    ASSERT_TRUE(status) << position;
    EXPECT_EQ((*status)["value"], text);
    const auto bar = AwaitControl(1031, "position");
    ASSERT_TRUE(bar) << text;
    EXPECT_EQ((*bar)["value"], position);
  }
  const std::size_t lastNotice = session->Looked();
  ASSERT_EQ(Command("advance 200")["reply"], "ok");
  const auto result = AwaitStatus();
  ASSERT_TRUE(result);
  EXPECT_EQ((*result)["value"], kCompleted);

  // Back became usable only with the result.
  std::size_t enabledAt = 0;
  const auto& events = session->Seen();
  for (std::size_t i = 0; i < events.size() && enabledAt == 0; ++i) {
    if (ControlEvent(1061, "enabled")(events[i]) && events[i]["value"] == true) enabledAt = i;
  }
  EXPECT_GE(enabledAt, lastNotice) << "Back was enabled before the last notice";
  const auto end = Command("dump");
  EXPECT_EQ(Control(end, 1061)["enabled"], true);
  EXPECT_EQ(Control(end, 1061)["focused"], true);
  EXPECT_EQ(Control(end, 1090)["visible"], false);
  EXPECT_EQ(Control(end, 1031)["position"], 100);
  EXPECT_EQ(end["msgbox"], nullptr);

  EXPECT_EQ(Command("click 1061")["reply"], "ok");
  EXPECT_EQ(Command("wait screen 8")["reply"], "ok");
  EXPECT_EQ(Command("click 1028")["reply"], "ok");
  EXPECT_EQ(Command("wait screen 15")["reply"], "ok");
  EXPECT_EQ(Command("click 1074")["reply"], "ok");
  ExpectExit();
  EXPECT_EQ(Log().find("Write::AT@KUPEND"), std::string::npos);
}

struct Ending {
  std::string scenario;
  int notices;      // progress notices before the ending, one a second
  long finalTime;   // from the last notice to the ending
  std::string text;
  int position;
};
void PrintTo(const Ending& ending, std::ostream* out) { *out << ending.scenario; }

struct PhoneUpdateEndings : PhoneUpdate, ::testing::WithParamInterface<Ending> {};

TEST_P(PhoneUpdateEndings, TheCardsVerdictIsShownWithTheBarWhereItBelongs) {
  Run(GetParam().scenario);
  OpenProgressScreen();
  AdvanceThroughNotices(GetParam().notices);
  if (GetParam().finalTime > 0) {
    ASSERT_EQ(Command("advance " + std::to_string(GetParam().finalTime))["reply"], "ok");
  }
  const auto status = AwaitStatus();
  ASSERT_TRUE(status);
  EXPECT_EQ((*status)["value"], GetParam().text);
  const auto dump = Command("dump");
  EXPECT_EQ(Control(dump, 1031)["position"], GetParam().position);
  EXPECT_EQ(Control(dump, 1061)["enabled"], true);
  EXPECT_EQ(Control(dump, 1061)["focused"], true);
  EXPECT_EQ(dump["msgbox"], nullptr);
  EXPECT_EQ(Command("close")["reply"], "ok");
  ExpectExit();
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, PhoneUpdateEndings,
    ::testing::Values(
        Ending{"update-no-carrier", 1, 1000, "電波状態の良いところへ移動してから実行してください。(NO CARRIER)", 6},
        Ending{"update-not-needed", 2, 1000, "ケータイアップデートの必要はありません。(FNO)", 100},
        Ending{"update-download-fails", 5, 1000, "ケータイアップデートに失敗しました。(FDLNG)", 31},
        Ending{"update-app-running", 0, 0, "アプリが実行中です、実行中のアプリを終了してください。(KUPRUNNING)", 0},
        Ending{"update-silent", 6, 600000, kNoReply, 37}),
    [](const ::testing::TestParamInfo<Ending>& param) {
      std::string name = param.param.scenario;
      std::erase(name, '-');
      return name;
    });

TEST_F(PhoneUpdate, ErrorFollowedByANoticeIsFatalWithThePortStateError) {
  Run("update-raw-line");
  OpenProgressScreen();
  ASSERT_EQ(Command("advance 6000")["reply"], "ok");
  const auto box = Await([](const Json& v) { return v.value("event", "") == "msgbox"; });
  ASSERT_TRUE(box);
  EXPECT_EQ((*box)["text"], "ポート状態エラー(011  007)");
  EXPECT_EQ((*box)["icon"], "exclamation");
  EXPECT_EQ(Command("answer ok")["reply"], "ok");
  ExpectExit();
}

TEST_F(PhoneUpdate, NoReplyLeavesThePortOpenForTheNextRun) {
  Run("update-silent");
  OpenProgressScreen();
  AdvanceThroughNotices(6);
  ASSERT_EQ(Command("advance 600000")["reply"], "ok");
  auto status = AwaitStatus();
  ASSERT_TRUE(status);
  ASSERT_EQ((*status)["value"], kNoReply);
  EXPECT_EQ(Command("click 1061")["reply"], "ok");
  EXPECT_EQ(Command("wait screen 8")["reply"], "ok");
  // The port is still open: the next run reaches the card at once.
  StartAgain(2);
  AdvanceThroughNotices(1);
  EXPECT_EQ(session->Seen()[session->Looked() - 1]["value"], "バージョン確認開始");
  EXPECT_EQ(Command("close")["reply"], "ok");
  ExpectExit();
}

TEST_F(PhoneUpdate, KeepAlivesCarryASlowDownloadPastTenMinutes) {
  Run("update-keep-alive");
  OpenProgressScreen();
  ASSERT_EQ(Command("advance 3000")["reply"], "ok");
  std::optional<Json> status;
  do {
    status = AwaitStatus();
  } while (status && (*status)["value"] != "ファイルダウンロード開始");
  ASSERT_TRUE(status);
  // Three keep-alives four minutes apart; each has reached the program (its
  // reader logged and posted it) before time moves on, since an advance
  // first delivers what is already posted.
  for (std::size_t beat = 1; beat <= 3; ++beat) {
    ASSERT_EQ(Command("advance 240000")["reply"], "ok");
    ASSERT_TRUE(AwaitLogCount("Read::KUPDLCNT", beat)) << beat;
  }
  // The next notice is due twelve minutes after the last; the watchdog,
  // re-armed by the last keep-alive, is not due for another ten.
  ASSERT_EQ(Command("advance 60000")["reply"], "ok");
  status = AwaitStatus();
  ASSERT_TRUE(status) << session->process().standardError();
  EXPECT_EQ((*status)["value"], "ファイルダウンロード２０％") << "twelve minutes on the step, and no timeout";
  EXPECT_EQ(Command("close")["reply"], "ok");
  ExpectExit();
}

TEST_F(PhoneUpdate, ClosingDuringTheVersionCheckStopsTheUpdateOnTheCard) {
  Run("normal");
  OpenProgressScreen();
  ASSERT_EQ(Command("advance 1000")["reply"], "ok");
  ASSERT_TRUE(AwaitStatus());
  EXPECT_EQ(Command("close")["reply"], "ok");
  ExpectExit();
  const std::string log = Log();
  const std::size_t notice = log.find("Read::VERCFSTR");
  ASSERT_NE(notice, std::string::npos);
  EXPECT_NE(log.find("Write::AT@KUPEND", notice), std::string::npos);
}

// The card stays plugged in from one run to the next: its answer to the
// "AT@KUPEND" of a run closed during the version check reaches the port
// after that run stopped reading, and no later run may take it for its own.
TEST_F(PhoneUpdate, TheCardsLateAnswerToAClosedRunIsNoAnswerForTheNextOne) {
  pluggedCard = std::make_unique<testing::ProgramProcess>(
      P42R_CARD, std::vector<std::string>{"--device-root", root.path().string(), "--pacing", "0", "--last-notice",
                                          "VERCFSTR", "--outcome", "silence", "--trace"});
  ASSERT_TRUE(pluggedCard->awaitStandardError("COM1:")) << pluggedCard->standardError();
  for (std::size_t run = 1; run <= 3; ++run) {
    Run("");
    if (run == 3) break;
    OpenProgressScreen(run);
    const auto status = AwaitStatus();
    ASSERT_TRUE(status);
    ASSERT_EQ((*status)["value"], "バージョン確認開始");
    EXPECT_EQ(Command("close")["reply"], "ok");
    ExpectExit();
    // Each run has had three answers: to ATE0, AT+GMI and AT@KUPEND.
    ASSERT_TRUE(pluggedCard->awaitStandardError("OK<CR><LF>", 3 * run)) << pluggedCard->errorsSeen();
  }
  EXPECT_EQ(Command("close")["reply"], "ok");
  ExpectExit();
}

TEST_F(PhoneUpdate, ClosingAfterTheVersionCheckLeavesTheUpdateToTheCard) {
  Run("normal");
  OpenProgressScreen();
  ASSERT_EQ(Command("advance 2000")["reply"], "ok");
  std::optional<Json> status;
  do {
    status = AwaitStatus();
  } while (status && (*status)["value"] != "バージョン確認終了");
  ASSERT_TRUE(status);
  EXPECT_EQ(Command("close")["reply"], "ok");
  ExpectExit();
  EXPECT_EQ(Log().find("Write::AT@KUPEND"), std::string::npos);
}

TEST_F(PhoneUpdate, UnpluggingTheCardMidRunEndsTheProgramWithNoReply) {
  Run("update-unplugged");
  OpenProgressScreen();
  ASSERT_EQ(Command("advance 6000")["reply"], "ok");
  const auto box = Await([](const Json& v) { return v.value("event", "") == "msgbox"; });
  ASSERT_TRUE(box);
  EXPECT_EQ((*box)["text"], kNoReply);
  EXPECT_EQ((*box)["icon"], "exclamation");
  EXPECT_EQ(Command("answer ok")["reply"], "ok");
  // The process ends by itself: no reader or animation thread holds it.
  ExpectExit();
}

TEST_F(PhoneUpdate, ASecondRunGoesOnWithTheFrameAfterTheLastOneShown) {
  Run("update-not-needed");
  const std::size_t opened = session->Seen().size();
  OpenProgressScreen();
  // The first frame is drawn as the run starts. Waiting for it keeps a loaded
  // machine from ending the run before the animation's thread ever ran.
  const std::size_t looked = session->Looked();
  session->LookFrom(opened);
  ASSERT_TRUE(AwaitControl(1079, "picture"));
  session->LookFrom(looked);
  ASSERT_EQ(Command("advance 4000")["reply"], "ok");
  std::optional<Json> status;
  do {
    status = AwaitStatus();
  } while (status && (*status)["value"] != "ケータイアップデートの必要はありません。(FNO)");
  ASSERT_TRUE(status);
  const int last = Control(Command("dump"), 1079)["picture"].get<int>();
  ASSERT_GE(last, 130);
  EXPECT_EQ(Command("click 1061")["reply"], "ok");
  EXPECT_EQ(Command("wait screen 8")["reply"], "ok");
  const std::size_t before = session->Seen().size();
  StartAgain(2);
  session->LookFrom(before);  // the first frame may come before the screen's report
  const auto first = AwaitControl(1079, "picture");
  ASSERT_TRUE(first);
  EXPECT_EQ((*first)["value"], last == 137 ? 130 : last + 1);
  EXPECT_EQ(Command("close")["reply"], "ok");
  ExpectExit();
}

}  // namespace
}  // namespace p42r::update
