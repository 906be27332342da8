// The administration screens end to end: p42r in script mode on virtual time
// with the simulated card, entered through the password screen and the
// administrator menus as an administrator would.
#include <gtest/gtest.h>

#include <fstream>

#include "admin/tests/AesOracle.h"
#include "testing/ScriptSession.h"
#include "testing/TempDirectory.h"

namespace p42r::admin {
namespace {

using testing::ScriptSession;
using Json = ScriptSession::Json;

struct AdminScreens : ::testing::Test {
  testing::TempDirectory root;
  std::unique_ptr<ScriptSession> session;

  // A scenario file of the card's own keys, in the test's directory.
  std::string Scenario(const std::string& json) {
    const auto path = root.path() / "scenario.json";
    std::ofstream(path, std::ios::binary) << json;
    return path.string();
  }

  // Starts the program with `entry` and passes the password screen (the first
  // start asks for a new password) to administrator menu `menu`.
  void Start(const std::string& scenario, const std::string& entry, int menu) {
    session = std::make_unique<ScriptSession>(P42R_PROGRAM, root.path().string(), scenario,
                                              std::vector<std::string>{"--entry=" + entry});
    ASSERT_EQ(Command("wait screen 2")["reply"], "ok") << session->process().standardError();
    Command("type 1000 j72n");
    Command("click 1001");
    ASSERT_EQ(Command("wait screen 4")["reply"], "ok");
    Command("type 1011 abc12");
    Command("type 1012 abc12");
    Command("click 1014");
    ASSERT_EQ(Command("wait msgbox")["reply"], "ok");
    Command("answer ok");
    ASSERT_EQ(Command("wait screen " + std::to_string(menu))["reply"], "ok");
    ASSERT_EQ(Command("watch on")["reply"], "ok");
  }

  // From menu 6 to the limit screen, once its read of the slots has ended.
  void OpenLimit() {
    session->SkipSeen();
    ASSERT_EQ(Command("click 1021")["reply"], "ok");
    ASSERT_EQ(Command("wait screen 12")["reply"], "ok");
    ASSERT_TRUE(session->Await([](const Json& v) {
      return ScriptSession::ControlEvent(12, 1045, "selected")(v) && v["value"] == 0;
    })) << "the read of the slots did not end";
  }

  Json Command(const std::string& line) { return session->Command(line); }
  // Waits for a box, checks it and answers it.
  void Answer(const std::string& text, const std::string& icon, const std::string& answer = "ok") {
    const Json box = Command("wait msgbox");
    ASSERT_EQ(box["reply"], "ok") << session->process().standardError();
    EXPECT_EQ(box["msgbox"]["text"], text);
    EXPECT_EQ(box["msgbox"]["icon"], icon);
    EXPECT_EQ(Command("answer " + answer)["reply"], "ok");
  }
  static Json Rows(const Json& dump) { return ScriptSession::Control(dump, 1045)["rows"]; }
  static Json Field(const Json& dump, int id) { return ScriptSession::Control(dump, id)["text"]; }
  void ExpectExit() { EXPECT_EQ(session->AwaitExit(), 0) << session->process().standardError(); }
};

TEST_F(AdminScreens, TheSlotsAreReadARegisteredDomainReachesTheCardAndTheResultIsShown) {
  Start(Scenario(R"({"domains": ["example.co.jp", "", ""], "connectionResult": "2"})"), "admin-connection", 6);
  OpenLimit();
  Json dump = Command("dump");
  EXPECT_EQ(Rows(dump), Json::parse(R"([["example.co.jp"], [""], [""]])"));
  EXPECT_EQ(dump["cursor"], "arrow");
  EXPECT_EQ(Field(dump, 1041), "");
  EXPECT_EQ(ScriptSession::Control(dump, 1045)["focused"], true);

  Command("select 1045 1");
  Command("type 1041  new.jp ");
  Command("click 1042");
  Answer("new.jpを登録します、よろしいですか？", "question");
  Answer("new.jpを登録しました。", "information");
  dump = Command("dump");
  EXPECT_EQ(Rows(dump), Json::parse(R"([["example.co.jp"], ["new.jp"], [""]])"));
  EXPECT_EQ(Field(dump, 1041), "");
  EXPECT_EQ(dump["cursor"], "arrow");

  Command("click 1046");
  Answer("登録されているドメイン名が間違っているため、ダイヤルアップ接続に失敗しました。", "information");

  // Leaving and coming back reads what the card now holds.
  Command("click 1047");
  ASSERT_EQ(Command("wait screen 6")["reply"], "ok");
  OpenLimit();
  EXPECT_EQ(Rows(Command("dump")), Json::parse(R"([["example.co.jp"], ["new.jp"], [""]])"));
  EXPECT_TRUE(session->AwaitCardTrace("card <- AT@ALDW=2,new.jp<CR><LF><NUL>"));
  Command("close");
  ExpectExit();
}

TEST_F(AdminScreens, EditAndDeleteChangeTheCardsSlots) {
  Start(Scenario(R"({"domains": ["old.jp", "gone.jp", ""]})"), "admin-connection", 6);
  OpenLimit();
  Command("select 1045 0");
  EXPECT_EQ(Field(Command("dump"), 1041), "old.jp");
  Command("type 1041 new.jp");
  Command("click 1043");
  Answer("old.jpをnew.jpに編集します。よろしいですか？", "question");
  Answer("new.jpを登録しました。", "information");
  Command("key 1045 down");
  EXPECT_EQ(Field(Command("dump"), 1041), "gone.jp");
  Command("click 1044");
  Answer("gone.jpを削除します、よろしいですか？", "question");
  Answer("gone.jpを削除しました。", "information");
  EXPECT_EQ(Rows(Command("dump")), Json::parse(R"([["new.jp"], [""], [""]])"));

  Command("click 1047");
  ASSERT_EQ(Command("wait screen 6")["reply"], "ok");
  OpenLimit();
  EXPECT_EQ(Rows(Command("dump")), Json::parse(R"([["new.jp"], [""], [""]])"));
  Command("close");
  ExpectExit();
}

TEST_F(AdminScreens, ARefusedSlotReadReturnsToTheMenu) {
  Start("domain-read-refused", "admin-connection", 6);
  Command("click 1021");
  Answer("登録内容を取得できませんでした。", "none");
  ASSERT_EQ(Command("wait screen 6")["reply"], "ok");
  EXPECT_EQ(Command("dump")["cursor"], "arrow");
  Command("close");
  ExpectExit();
}

TEST_F(AdminScreens, AMalformedConnectionResultEndsTheApplication) {
  Start("status-malformed", "admin-connection", 6);
  OpenLimit();
  Command("click 1046");
  Answer("ポート読み込みエラー(011  016)", "none");
  ExpectExit();
}

TEST_F(AdminScreens, TheIdIsWrittenToTheCardEncryptedAndInClear) {
  Start("normal", "admin-id", 7);
  Command("click 1024");
  ASSERT_EQ(Command("wait screen 14")["reply"], "ok");
  EXPECT_EQ(ScriptSession::Control(Command("dump"), 1069)["focused"], true);
  Command("type 1069  ID-0042 ");
  Command("click 1070");
  Answer("ID-0042を登録します、よろしいですか。", "question");
  Answer("ID-0042を登録しました。", "information");
  EXPECT_EQ(Field(Command("dump"), 1069), "");
  EXPECT_TRUE(session->AwaitCardTrace("card <- AT@DMRW=" + OracleHex("ID-0042") + ",ID-0042<CR><LF><NUL>"));

  Command("click 1061");
  ASSERT_EQ(Command("wait screen 7")["reply"], "ok");
  Command("close");
  ExpectExit();
}

TEST_F(AdminScreens, ARefusedIdWriteKeepsTheText) {
  Start("status-refused", "admin-id", 7);
  Command("click 1024");
  ASSERT_EQ(Command("wait screen 14")["reply"], "ok");
  Command("type 1069 ID-0042");
  Command("click 1070");
  Answer("ID-0042を登録します、よろしいですか。", "question");
  Answer("ID-0042を登録できませんでした。", "none");
  const Json dump = Command("dump");
  EXPECT_EQ(Field(dump, 1069), "ID-0042");
  EXPECT_EQ(dump["cursor"], "arrow");
  Command("close");
  ExpectExit();
}

}  // namespace
}  // namespace p42r::admin
