// The application list end to end: p42r in script mode with the simulated
// card. The general menu keeps its "アプリ実行" button hidden, so neither a
// person nor a script can open the list from there; --entry=applications
// leads to it straight after identification.
#include <gtest/gtest.h>

#include "testing/ScriptSession.h"
#include "testing/TempDirectory.h"

namespace p42r::apps {
namespace {

using testing::ScriptSession;

TEST(ApplicationsProgram, TheGeneralMenuOffersNoWayToTheApplicationList) {
  testing::TempDirectory root;
  ScriptSession session(P42R_PROGRAM, root.path().string(), "applications-full", {"--entry=general"});
  ASSERT_EQ(session.Command("wait screen 5")["reply"], "ok") << session.process().standardError();

  const auto menu = session.Command("dump");
  EXPECT_EQ(ScriptSession::Control(menu, 1018)["text"], "アプリ実行");
  EXPECT_EQ(ScriptSession::Control(menu, 1018)["visible"], false);
  EXPECT_EQ(ScriptSession::Control(menu, 1017)["visible"], true);

  const auto refused = session.Command("click 1018");
  EXPECT_EQ(refused["reply"], "error");
  EXPECT_EQ(refused["message"], "control 1018 is hidden");
  EXPECT_EQ(session.Command("focus 1018")["reply"], "error");
  EXPECT_EQ(session.Command("dump")["screen"], 5);

  EXPECT_EQ(session.Command("click 1019")["reply"], "ok");
  EXPECT_EQ(session.AwaitExit(), 0) << session.process().standardError();
  const std::string trace = session.process().standardError();
  EXPECT_NE(trace.find("card <- AT+GMI"), std::string::npos) << "the card's trace is there";
  EXPECT_EQ(trace.find("card <- AT&OP="), std::string::npos) << "the card was never asked for its applications";
}

TEST(ApplicationsProgram, TheApplicationEntryListsTheCardsApplicationsAndStartsOne) {
  testing::TempDirectory root;
  ScriptSession session(P42R_PROGRAM, root.path().string(), "applications-full", {"--entry=applications"});
  ASSERT_EQ(session.Command("wait screen 13")["reply"], "ok") << session.process().standardError();
  ASSERT_EQ(session.Command("watch on")["reply"], "ok");
  // The list is complete once the last name is in and the buttons are usable
  // again; a card that answers at once may be done before watching began.
  if (ScriptSession::Control(session.Command("dump"), 1057)["enabled"] != true) {
    ASSERT_TRUE(session.Await([](const ScriptSession::Json& v) {
      return ScriptSession::ControlEvent(13, 1057, "enabled")(v) && v["value"] == true;
    }));
  }
  const auto list = ScriptSession::Control(session.Command("dump"), 1052);
  ASSERT_EQ(list["rows"].size(), 6u);
  EXPECT_EQ(list["rows"][5], (ScriptSession::Json::array({"起動中", "Navigator"})));
  EXPECT_EQ(list["rows"][2][1], "ニュース") << "the Japanese name arrives in CP932 and shows as it is";

  EXPECT_EQ(session.Command("select 1052 4")["reply"], "ok");
  EXPECT_EQ(session.Command("click 1053")["reply"], "ok");
  const auto question = session.Command("wait msgbox");
  EXPECT_EQ(question["msgbox"]["buttons"], "okcancel");
  EXPECT_EQ(session.Command("answer ok")["reply"], "ok");
  const auto result = session.Await([](const ScriptSession::Json& v) {
    return v.value("event", "") == "msgbox" && v["buttons"] == "ok";
  });
  ASSERT_TRUE(result);
  EXPECT_EQ((*result)["text"], "Mailを起動しました。");
  EXPECT_EQ(session.Command("answer ok")["reply"], "ok");

  EXPECT_EQ(session.Command("click 1057")["reply"], "ok");
  EXPECT_EQ(session.Command("wait screen 5")["reply"], "ok") << "Back leads to the general menu";
  EXPECT_EQ(session.Command("click 1019")["reply"], "ok");
  EXPECT_EQ(session.AwaitExit(), 0) << session.process().standardError();
}

}  // namespace
}  // namespace p42r::apps
