#include "card/CardError.h"
#include "card/ScenarioReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace p42r::card {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

std::string errorOf(const std::string& json) {
  try {
    readScenario(json, "test.json");
  } catch (const CardError& error) {
    EXPECT_EQ(error.kind(), CardErrorKind::InvalidInput);
    return error.what();
  }
  ADD_FAILURE() << "accepted: " << json;
  return "";
}

TEST(ScenarioReader, EmptyObjectIsTheNormalCard) {
  const Scenario scenario = readScenario("{}", "test.json");
  EXPECT_TRUE(scenario.echo);
  EXPECT_TRUE(scenario.echoOffWorks);
  EXPECT_EQ(scenario.maker, std::vector<std::string>{"Halvorn.Corp"});
  EXPECT_EQ(scenario.update.lastNotice, 15);
  EXPECT_EQ(scenario.update.ending.kind, EndingKind::Ok);
  EXPECT_FALSE(scenario.writing.atStart);
  EXPECT_EQ(scenario.applications.size(), 3u);
}

TEST(ScenarioReader, ReadsEveryKey) {
  const Scenario s = readScenario(R"({
    "name": "all", "description": "every key", "encoding": "UTF-8",
    "echo": false, "echoOffWorks": false, "maker": ["Halvorn", ".Corp"], "model": "P42R-X",
    "identification": "ID", "replyDelayMs": 250, "silent": false, "silentFrom": "AT@LEDSET",
    "errorOn": ["AT@CNLTRT"], "replies": {"AT@HYBRRSSI?": ["1,2", "OK"]},
    "reception": "0,0,5", "led": false, "domains": ["a.example"], "connectionResult": ["2"],
    "applications": [{"code": "X1", "name": "One", "state": 1,
                      "start": {"reply": "ERROR", "state": null}, "stop": {"state": 7}}],
    "update": {"pacingMs": 10, "noticeDelaysMs": {"FDL20": 99}, "keepAliveMs": 5, "lastNotice": "FDL40",
               "finalDelayMs": 3, "outcome": "error", "reason": "FDLNG", "leaveWriting": true,
               "acceptEnd": false, "refuseWhenApplicationRunning": false},
    "writing": {"atStart": true, "notice": "FPL20", "delayMs": 7, "outcome": "lines", "lines": ["ERROR", "x"]},
    "unplug": {"afterMs": 1000, "onCommand": "AT+GMI"}
  })", "test.json");
  EXPECT_EQ(s.name, "all");
  EXPECT_FALSE(s.echo);
  EXPECT_FALSE(s.echoOffWorks);
  EXPECT_EQ(s.maker, (std::vector<std::string>{"Halvorn", ".Corp"}));
  EXPECT_EQ(s.model, "P42R-X");
  EXPECT_EQ(s.identification, std::vector<std::string>{"ID"});
  EXPECT_EQ(s.replyDelay, 250ms);
  EXPECT_EQ(s.silentFrom, "AT@LEDSET");
  ASSERT_EQ(s.replies.size(), 2u);
  EXPECT_EQ(s.replies[0].command, "AT@CNLTRT");
  EXPECT_EQ(s.replies[0].lines, std::vector<std::string>{"ERROR"});
  EXPECT_EQ(s.replies[1].lines, (std::vector<std::string>{"1,2", "OK"}));
  EXPECT_EQ(s.reception, std::vector<std::string>{"0,0,5"});
  EXPECT_FALSE(s.ledOn);
  EXPECT_EQ(s.domains, (std::array<std::string, 3>{"a.example", "", ""}));
  EXPECT_EQ(s.connectionResult, std::vector<std::string>{"2"});
  ASSERT_EQ(s.applications.size(), 1u);
  EXPECT_EQ(s.applications[0].state, 1);
  EXPECT_EQ(s.applications[0].start.reply, "ERROR");
  EXPECT_FALSE(s.applications[0].start.state.has_value());
  EXPECT_EQ(s.applications[0].stop.reply, "OK");
  EXPECT_EQ(s.applications[0].stop.state, 7);
  EXPECT_EQ(s.update.pacing, 10ms);
  EXPECT_EQ(s.update.noticeDelays[3], 99ms);
  EXPECT_FALSE(s.update.noticeDelays[4].has_value());
  EXPECT_EQ(s.update.keepAliveInterval, 5ms);
  EXPECT_EQ(s.update.lastNotice, 4);
  EXPECT_EQ(s.update.finalDelay, 3ms);
  EXPECT_EQ(s.update.ending.kind, EndingKind::Error);
  EXPECT_EQ(s.update.ending.reason, "FDLNG");
  EXPECT_TRUE(s.update.leaveWriting);
  EXPECT_FALSE(s.update.acceptEnd);
  EXPECT_FALSE(s.update.refuseWhenApplicationRunning);
  EXPECT_TRUE(s.writing.atStart);
  EXPECT_EQ(s.writing.notice, "FPL20");
  EXPECT_EQ(s.writing.delay, 7ms);
  EXPECT_EQ(s.writing.ending.kind, EndingKind::Lines);
  EXPECT_EQ(s.writing.ending.lines, (std::vector<std::string>{"ERROR", "x"}));
  EXPECT_EQ(s.unplug.after, 1000ms);
  EXPECT_EQ(s.unplug.onCommand, "AT+GMI");
}

TEST(ScenarioReader, RefusesMistakesWithThePathOfTheKey) {
  EXPECT_THAT(errorOf("[1, 2"), HasSubstr("not valid JSON"));
  EXPECT_THAT(errorOf("[]"), HasSubstr("expected an object"));
  EXPECT_THAT(errorOf(R"({"mkaer": "x"})"), HasSubstr("mkaer: unknown key"));
  EXPECT_THAT(errorOf(R"({"update": {"pacing": 5}})"), HasSubstr("update.pacing: unknown key"));
  EXPECT_THAT(errorOf(R"({"echo": "yes"})"), HasSubstr("echo: expected true or false"));
  EXPECT_THAT(errorOf(R"({"replyDelayMs": -1})"), HasSubstr("replyDelayMs"));
  EXPECT_THAT(errorOf(R"({"replyDelayMs": 1.5})"), HasSubstr("expected an integer"));
  EXPECT_THAT(errorOf(R"({"replyDelayMs": 18446744073709551615})"), HasSubstr("at most"));
  EXPECT_THAT(errorOf(R"({"maker": 7})"), HasSubstr("maker: expected a string or a list"));
  EXPECT_THAT(errorOf(R"({"maker": ["ok", 7]})"), HasSubstr("maker[1]: expected a string"));
  EXPECT_THAT(errorOf(R"({"maker": "two\r\nlines"})"), HasSubstr("must not hold CR, LF or NUL"));
  EXPECT_THAT(errorOf(R"({"silentFrom": ""})"), HasSubstr("must not be empty"));
  EXPECT_THAT(errorOf(R"({"update": {"lastNotice": "FDL30"}})"), HasSubstr("update.lastNotice"));
  EXPECT_THAT(errorOf(R"({"update": {"noticeDelaysMs": {"OK": 1}}})"), HasSubstr("update.noticeDelaysMs.OK"));
  EXPECT_THAT(errorOf(R"({"update": {"outcome": "explode"}})"), HasSubstr("unknown outcome 'explode'"));
  EXPECT_THAT(errorOf(R"({"update": {"outcome": "error"}})"), HasSubstr("needs a reason"));
  EXPECT_THAT(errorOf(R"({"writing": {"outcome": "error"}})"), HasSubstr("writing.reason"));
  EXPECT_THAT(errorOf(R"({"domains": ["a", "b", "c", "d"]})"), HasSubstr("at most three"));
  EXPECT_THAT(errorOf(R"({"errorOn": ["AT+GMI"], "replies": {"AT+GMI": "OK"}})"), HasSubstr("also listed"));
  EXPECT_THAT(errorOf(R"({"encoding": "NO-SUCH-CODESET"})"), HasSubstr("unknown encoding"));
}

TEST(ScenarioReader, RefusesApplicationListsTheCardCannotHold) {
  EXPECT_THAT(errorOf(R"({"applications": [{"code": "1"}, {"code": "2"}, {"code": "3"}, {"code": "4"},
                                           {"code": "5"}, {"code": "6"}, {"code": "7"}]})"),
              HasSubstr("at most six"));
  EXPECT_THAT(errorOf(R"({"applications": [{"name": "no code"}]})"), HasSubstr("needs a code and a name"));
  EXPECT_THAT(errorOf(R"({"applications": [{"code": "A+1", "name": "x"}]})"), HasSubstr("applications[0].code"));
  EXPECT_THAT(errorOf(R"({"applications": [{"code": "A", "name": "x"}, {"code": "A", "name": "y"}]})"),
              HasSubstr("applications[1].code: the code is used twice"));
  EXPECT_THAT(errorOf(R"({"applications": [{"code": "A", "name": "x", "start": {"reply": "OK", "oops": 1}}]})"),
              HasSubstr("applications[0].start.oops"));
}

TEST(ScenarioReader, WireTextsAreConvertedToTheCodePage) {
  const Scenario cp932 = readScenario(R"({"applications": [{"code": "A4", "name": "ニュース"}]})", "t");
  EXPECT_EQ(cp932.applications[0].name, "\x83\x6a\x83\x85\x81\x5b\x83\x58");
  const Scenario utf8 = readScenario(R"({"encoding": "UTF-8", "maker": "ニュース"})", "t");
  EXPECT_EQ(utf8.maker[0], "ニュース");
  EXPECT_THAT(errorOf(R"({"maker": "\ud83d\ude00"})"), HasSubstr("maker: text"));
}

TEST(LoadScenario, FindsBuiltinsAndFilesAndNamesTheChoicesOtherwise) {
  const Scenario builtin = loadScenario("update-download-fails");
  EXPECT_EQ(builtin.update.ending.reason, "FDLNG");
  EXPECT_FALSE(builtin.description.empty());

  const auto path = std::filesystem::temp_directory_path() / ("card-scenario-" + std::to_string(getpid()) + ".json");
  {
    std::ofstream file(path);
    file << R"({"name": "from-file", "maker": "Kestrel.Inc"})";
  }
  const Scenario fromFile = loadScenario(path.string());
  std::filesystem::remove(path);
  EXPECT_EQ(fromFile.name, "from-file");
  EXPECT_EQ(fromFile.maker, std::vector<std::string>{"Kestrel.Inc"});

  try {
    loadScenario("no-such-scenario");
    ADD_FAILURE() << "an unknown name was accepted";
  } catch (const CardError& error) {
    EXPECT_THAT(error.what(), HasSubstr("no-such-scenario"));
    EXPECT_THAT(error.what(), HasSubstr("normal"));
  }
}

TEST(LoadScenario, UnreadableFileIsASystemFailure) {
  try {
    readScenarioFile("/nonexistent/dir/scenario.json");
    ADD_FAILURE() << "a missing file was read";
  } catch (const CardError& error) {
    EXPECT_EQ(error.kind(), CardErrorKind::SystemFailure);
    EXPECT_THAT(error.what(), HasSubstr("/nonexistent/dir/scenario.json"));
  }
}

}  // namespace
}  // namespace p42r::card
