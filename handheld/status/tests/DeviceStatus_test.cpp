// The device status screens end to end: p42r in script mode on virtual time,
// entered at the general menu, with the simulated card on a pseudo-terminal
// behind the real serial port answering the reception query and the LED
// setting as each scenario says.
#include <gtest/gtest.h>

#include <fstream>

#include "testing/ScriptSession.h"
#include "testing/TempDirectory.h"

namespace p42r::status {
namespace {

using testing::ScriptSession;
using Json = ScriptSession::Json;

const std::string kNoReply = "デバイスからの応答がありません。処理を中断します。";

struct DeviceStatus : ::testing::Test {
  testing::TempDirectory root;
  testing::TempDirectory scenarios;
  std::unique_ptr<ScriptSession> session;

  // A scenario of the card's own format, written for this test.
  std::string Scenario(const std::string& json) {
    const auto path = scenarios.path() / "card.json";
    std::ofstream(path) << json;
    return path.string();
  }

  // General menu, then 通信状態表示: the communication state screen.
  void Run(const std::string& scenario) {
    session = std::make_unique<ScriptSession>(P42R_PROGRAM, root.path().string(), scenario,
                                              std::vector<std::string>{"--entry=general"});
    ASSERT_EQ(Command("wait screen 5")["reply"], "ok") << session->process().standardError();
    ASSERT_EQ(Command("watch on")["reply"], "ok");
    ASSERT_EQ(Command("click 1017")["reply"], "ok");
    ASSERT_EQ(Command("wait screen 10")["reply"], "ok");
  }

  Json Command(const std::string& line) { return session->Command(line); }
  std::optional<Json> Await(const ScriptSession::Match& match) { return session->Await(match); }
  static const Json& Control(const Json& dump, int id) { return ScriptSession::Control(dump, id); }

  // 状態取得: returns once the card has the query (only then may its time pass).
  void Query(std::size_t count = 1) {
    ASSERT_EQ(Command("click 1033")["reply"], "ok");
    ASSERT_TRUE(session->AwaitCardTrace("card <- AT@HYBRRSSI?", count)) << "the card never got the query";
  }
  // The picture the query's OK drew.
  std::optional<Json> AwaitPicture() {
    return Await([](const Json& v) {
      return ScriptSession::ControlEvent(10, 1078, "picture")(v) && v["value"] != 0;
    });
  }
  std::optional<Json> AwaitBox() { return Await(ScriptSession::Event("msgbox")); }

  void ExpectIdle(const Json& dump) {
    EXPECT_EQ(dump["cursor"], "arrow");
    for (int id : {1033, 1034, 1035}) EXPECT_EQ(Control(dump, id)["enabled"], true) << id;
    EXPECT_EQ(Control(dump, 1033)["focused"], true);
  }
  void ExpectExit() { EXPECT_EQ(session->AwaitExit(), 0) << session->process().standardError(); }
};

TEST_F(DeviceStatus, TheStateIsShownAndTheLedSwitchedOffFromTheGeneralMenu) {
  Run("normal");
  const auto opened = Command("dump");
  EXPECT_EQ(Control(opened, 1088)["text"], "") << "the label is cleared when the screen is shown";
  EXPECT_EQ(Control(opened, 1078)["picture"], 0);
  ExpectIdle(opened);

  Query();
  const auto picture = AwaitPicture();
  ASSERT_TRUE(picture);
  EXPECT_EQ((*picture)["value"], 142) << "1,3,4: level 3 on CDMA 1X WIN, two bars";
  const auto shown = Command("dump");
  EXPECT_EQ(Control(shown, 1088)["text"], "CDMA 1X WIN");
  EXPECT_EQ(Control(shown, 1078)["pictureMode"], "stretch");
  ExpectIdle(shown);
  EXPECT_EQ(shown["msgbox"], nullptr);

  ASSERT_EQ(Command("click 1034")["reply"], "ok");
  ASSERT_EQ(Command("wait screen 11")["reply"], "ok");
  const auto setting = Command("dump");
  EXPECT_EQ(Control(setting, 1036)["checked"], true);
  EXPECT_EQ(Control(setting, 1037)["checked"], false);
  EXPECT_EQ(Control(setting, 1038)["focused"], true);
  ASSERT_EQ(Command("click 1037")["reply"], "ok");
  ASSERT_EQ(Command("click 1038")["reply"], "ok");
  const auto box = AwaitBox();
  ASSERT_TRUE(box);
  EXPECT_EQ((*box)["text"], "LED表示状態を変更しました。");
  EXPECT_EQ((*box)["icon"], "information");
  EXPECT_TRUE(session->AwaitCardTrace("card <- AT@LEDSET=0"));
  ASSERT_EQ(Command("answer ok")["reply"], "ok");
  ASSERT_EQ(Command("wait screen 10")["reply"], "ok");

  // Back on the state screen the last visit's picture and label are gone.
  const auto back = Command("dump");
  EXPECT_EQ(Control(back, 1088)["text"], "");
  EXPECT_EQ(Control(back, 1078)["picture"], 0);
  ExpectIdle(back);

  ASSERT_EQ(Command("click 1035")["reply"], "ok");
  ASSERT_EQ(Command("wait screen 5")["reply"], "ok");
  ASSERT_EQ(Command("click 1019")["reply"], "ok");
  ExpectExit();
}

struct Shown {
  std::string reception;
  std::string label;
  int picture;
};
void PrintTo(const Shown& shown, std::ostream* out) { *out << shown.reception; }

struct ReceptionFromTheCard : DeviceStatus, ::testing::WithParamInterface<Shown> {};

TEST_P(ReceptionFromTheCard, EachStateShowsItsNetworkAndSignalPicture) {
  Run(Scenario(R"({"reception": ")" + GetParam().reception + R"("})"));
  Query();
  const auto picture = AwaitPicture();
  ASSERT_TRUE(picture) << session->process().standardError() << Command("dump").dump();
  EXPECT_EQ((*picture)["value"], GetParam().picture);
  const auto shown = Command("dump");
  EXPECT_EQ(Control(shown, 1088)["text"], GetParam().label);
  ExpectIdle(shown);
  EXPECT_EQ(Command("close")["reply"], "ok");
  ExpectExit();
}

INSTANTIATE_TEST_SUITE_P(DeviceStatus, ReceptionFromTheCard,
                         ::testing::Values(Shown{"4,0,2", "CDMA 1X", 139}, Shown{"0,0,5", "", 138},
                                           Shown{"2,1,4", "CDMA 1X WIN", 140}, Shown{"2,0,1", "CDMA 1X", 141}),
                         [](const ::testing::TestParamInfo<Shown>& param) {
                           std::string name = param.param.reception;
                           std::erase(name, ',');
                           return "Reception" + name;
                         });

TEST_F(DeviceStatus, ARefusedQueryIsToldAndARefusedSettingClosesTheProgram) {
  Run("status-refused");
  Query();
  const auto refused = AwaitBox();
  ASSERT_TRUE(refused);
  EXPECT_EQ((*refused)["text"], "通信状態を取得できませんでした。");
  EXPECT_EQ((*refused)["icon"], "none");
  ASSERT_EQ(Command("answer ok")["reply"], "ok");
  ExpectIdle(Command("dump"));

  ASSERT_EQ(Command("click 1034")["reply"], "ok");
  ASSERT_EQ(Command("wait screen 11")["reply"], "ok");
  ASSERT_EQ(Command("click 1038")["reply"], "ok");
  const auto fatal = AwaitBox();
  ASSERT_TRUE(fatal);
  EXPECT_EQ((*fatal)["text"], "ポート読み込みエラー(011  009)");
  EXPECT_TRUE(session->AwaitCardTrace("card <- AT@LEDSET=1"));
  ASSERT_EQ(Command("answer ok")["reply"], "ok");
  ExpectExit();
}

TEST_F(DeviceStatus, AMalformedReceptionLineClosesTheProgram) {
  Run("status-malformed");
  Query();
  const auto fatal = AwaitBox();
  ASSERT_TRUE(fatal);
  EXPECT_EQ((*fatal)["text"], "ポート読み込みエラー(011  008)");
  ASSERT_EQ(Command("answer ok")["reply"], "ok");
  ExpectExit();
}

TEST_F(DeviceStatus, OkWithoutAReceptionLineClosesTheProgram) {
  Run(Scenario(R"({"replies": {"AT@HYBRRSSI?": ["OK"]}})"));
  Query();
  const auto fatal = AwaitBox();
  ASSERT_TRUE(fatal);
  EXPECT_EQ((*fatal)["text"], "ポート読み込みエラー(011  008)");
  ASSERT_EQ(Command("answer ok")["reply"], "ok");
  ExpectExit();
}

TEST_F(DeviceStatus, SilenceIsToldAfterSeventySecondsAndTheScreensGoOn) {
  Run(Scenario(R"({"replies": {"AT@HYBRRSSI?": [], "AT@LEDSET=": []}})"));
  Query();
  ASSERT_EQ(Command("advance 69999")["reply"], "ok");
  const auto waiting = Command("dump");
  EXPECT_EQ(waiting["msgbox"], nullptr);
  EXPECT_EQ(waiting["cursor"], "wait");
  EXPECT_EQ(Control(waiting, 1035)["enabled"], false);
  ASSERT_EQ(Command("advance 1")["reply"], "ok");
  const auto silent = AwaitBox();
  ASSERT_TRUE(silent);
  EXPECT_EQ((*silent)["text"], kNoReply);
  ASSERT_EQ(Command("answer ok")["reply"], "ok");
  ExpectIdle(Command("dump"));

  ASSERT_EQ(Command("click 1034")["reply"], "ok");
  ASSERT_EQ(Command("wait screen 11")["reply"], "ok");
  ASSERT_EQ(Command("click 1038")["reply"], "ok");
  ASSERT_TRUE(session->AwaitCardTrace("card <- AT@LEDSET=1"));
  ASSERT_EQ(Command("advance 70000")["reply"], "ok");
  const auto unanswered = AwaitBox();
  ASSERT_TRUE(unanswered);
  EXPECT_EQ((*unanswered)["text"], kNoReply);
  ASSERT_EQ(Command("answer ok")["reply"], "ok");
  const auto setting = Command("dump");
  EXPECT_EQ(setting["screen"], 11) << "the setting screen stays open";
  EXPECT_EQ(setting["cursor"], "arrow");
  EXPECT_EQ(Control(setting, 1038)["enabled"], true);
  EXPECT_EQ(Command("close")["reply"], "ok");
  ExpectExit();
}

}  // namespace
}  // namespace p42r::status
