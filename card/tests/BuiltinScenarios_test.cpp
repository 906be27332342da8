#include "card/tests/EngineHarness.h"

#include "card/BuiltinScenarios.h"
#include "card/ScenarioReader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace p42r::card {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::EngineHarness;

TEST(BuiltinScenarios, EveryOneReadsAndIsDescribedOnce) {
  std::set<std::string> names;
  for (const BuiltinScenario& builtin : builtinScenarios()) {
    EXPECT_TRUE(names.insert(std::string(builtin.name)).second) << builtin.name;
    EXPECT_FALSE(builtin.description.empty()) << builtin.name;
    const Scenario scenario = loadScenario(builtin.name);
    EXPECT_EQ(scenario.name, builtin.name) << "the JSON names another scenario";
  }
  EXPECT_EQ(findBuiltinScenario("no-such"), nullptr);
}

// A short conversation with a built-in scenario: the handheld's start-up and
// the one exchange that shows what the scenario is for.
struct Conversation {
  const char* scenario;
  std::vector<std::string> commands;
  std::chrono::milliseconds wait;  // after the commands
  std::vector<std::string> present;
  std::vector<std::string> absent;
};

class BuiltinConversation : public ::testing::TestWithParam<Conversation> {};

TEST_P(BuiltinConversation, ShowsItsBehaviour) {
  const Conversation& c = GetParam();
  EngineHarness card(loadScenario(c.scenario));
  std::string output;
  for (const auto& command : c.commands) output += card.command(command);
  output += card.advance(c.wait);
  for (const auto& text : c.present) EXPECT_THAT(visibleBytes(output), HasSubstr(visibleBytes(text))) << c.scenario;
  for (const auto& text : c.absent) EXPECT_THAT(visibleBytes(output), Not(HasSubstr(visibleBytes(text)))) << c.scenario;
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, BuiltinConversation,
    ::testing::Values(
        Conversation{"normal", {"ATE0", "AT+GMI"}, 0ms, {"ATE0\r\r\nOK\r\n\r\nHalvorn.Corp\r\n\r\nOK\r\n"}, {"AT+GMI\r"}},
        Conversation{"echo-stays-on", {"ATE0", "AT+GMI"}, 0ms, {"AT+GMI\r\r\nHalvorn.Corp"}, {}},
        Conversation{"silent", {"ATE0", "AT+GMI"}, 1h, {}, {"ATE0", "OK"}},
        Conversation{"silent-after-echo-off", {"ATE0", "AT+GMI"}, 1h, {"OK"}, {"Halvorn"}},
        Conversation{"other-maker", {"ATE0", "AT+GMI"}, 0ms, {"\r\nKestrel.Inc\r\n"}, {"Halvorn"}},
        Conversation{"maker-two-lines", {"ATE0", "AT+GMI"}, 0ms, {"\r\nHalvorn\r\n\r\n.Corp\r\n\r\nOK\r\n"}, {}},
        Conversation{"maker-error", {"ATE0", "AT+GMI"}, 0ms, {"OK\r\n\r\nERROR\r\n"}, {"Halvorn"}},
        Conversation{"writing-at-start", {"ATE0"}, 3s, {"FPL40\r\n\n\r\nOK\r\n"}, {}},
        Conversation{"writing-at-start-fails", {"ATE0"}, 3s, {"FPL40\r\n\n\r\nERROR\r\n\r\nFSTOP\r\n"}, {}},
        Conversation{"writing-at-start-finished", {"ATE0"}, 3s, {"FPL60\r\n\n\r\nERROR\r\n\r\nFUPSTOP\r\n"}, {}},
        Conversation{"writing-at-start-unlisted", {"ATE0"}, 3s, {"\r\nERROR\r\n\r\nFNO\r\n"}, {}},
        Conversation{"update-fast", {"ATE0", "AT@KUPSTART"}, 3400ms, {"RSTNOTICPL\r\n\r\nOK\r\n"}, {}},
        Conversation{"update-not-needed", {"ATE0", "AT@KUPSTART"}, 1h, {"VERCFCPL\r\n\r\nERROR\r\n\r\nFNO\r\n"}, {"FDLSTART"}},
        Conversation{"update-download-fails", {"ATE0", "AT@KUPSTART"}, 1h, {"FDL40\r\n\r\nERROR\r\n\r\nFDLNG\r\n"}, {"FDL60"}},
        Conversation{"update-no-carrier", {"ATE0", "AT@KUPSTART"}, 1h, {"VERCFSTR\r\n\r\nERROR\r\n\r\nNO CARRIER\r\n"}, {}},
        Conversation{"update-app-running", {"ATE0", "AT@KUPSTART"}, 1h, {"\r\nERROR\r\n\r\nKUPRUNNING\r\n"}, {"VERCFSTR"}},
        Conversation{"update-unlisted-reason", {"ATE0", "AT@KUPSTART"}, 1h, {"FDLSTART\r\n\r\nERROR\r\n\r\nFXYZ\r\n"}, {}},
        Conversation{"update-raw-line", {"ATE0", "AT@KUPSTART"}, 1h, {"FDL20\r\n\r\nERROR\r\n\r\nVERCFSTR\r\n"}, {"FDL40"}},
        Conversation{"update-silent", {"ATE0", "AT@KUPSTART"}, 1h, {"FDL60\r\n"}, {"FDL80", "FDL60\r\n\r\nOK"}},
        Conversation{"update-hangs", {"ATE0", "AT@KUPSTART"}, 1h, {"FDL60\r\n"}, {"FDL80"}},
        Conversation{"update-unplugged", {"ATE0", "AT@KUPSTART"}, 1h, {"FDL40\r\n"}, {"FDL60"}},
        Conversation{"update-keep-alive", {"ATE0", "AT@KUPSTART"}, 2h, {"KUPDLCNT", "RSTNOTICPL\r\n\r\nOK\r\n"}, {}},
        Conversation{"update-leaves-writing", {"ATE0", "AT@KUPSTART"}, 1h, {"FPL40\r\n"}, {"FPL60"}},
        Conversation{"update-end-refused", {"ATE0", "AT@KUPSTART", "AT@KUPEND"}, 5s, {"\r\nERROR\r\n\r\nVERCFSTR\r\n"}, {}},
        Conversation{"unplug-on-update", {"ATE0", "AT@KUPSTART", "AT"}, 1h, {"ATE0\r\r\nOK\r\n"}, {"VERCFSTR", "OK\r\n\r\nOK"}},
        Conversation{"status-refused", {"ATE0", "AT@HYBRRSSI?", "AT@LEDSET=0", "AT@CNLTRT"}, 0ms,
                     {"OK\r\n\r\nERROR\r\n\r\nERROR\r\n\r\nERROR\r\n"}, {"1,3,4"}},
        Conversation{"status-malformed", {"ATE0", "AT@HYBRRSSI?", "AT@CNLTRT"}, 0ms, {"\r\n10,2,3\r\n", "\r\n4\r\n"}, {}},
        Conversation{"domains-registered", {"ATE0", "AT@ALDR=3", "AT@CNLTRT"}, 0ms, {"\r\nvpn.example.net\r\n", "\r\n1\r\n"}, {}},
        Conversation{"domain-read-refused", {"ATE0", "AT@ALDR=1", "AT@ALDR=2"}, 0ms,
                     {"\r\nexample.co.jp\r\n\r\nOK\r\n\r\nERROR\r\n"}, {}},
        Conversation{"applications-full", {"ATE0", "AT&OP=APP?", "AT&OP=A3,1", "AT&OP=A4,6"}, 0ms,
                     {"APP=A1+1/A2+0/A3+0/A4+0/A5+0/A6+0/", "\r\nERROR\r\n", "APP=\x83\x6a\x83\x85\x81\x5b\x83\x58"}, {}},
        Conversation{"applications-refused", {"ATE0", "AT&OP=APP?"}, 0ms, {"OK\r\n\r\nERROR\r\n"}, {"APP="}},
        Conversation{"slow-replies", {"ATE0"}, 1500ms, {"ATE0\r\r\nOK\r\n"}, {}}),
    [](const auto& caseInfo) {
      std::string name = caseInfo.param.scenario;
      for (char& c : name) c = c == '-' ? '_' : c;
      return name;
    });

TEST(BuiltinScenarios, UnplugAfterStartPullsTheCardOut) {
  EngineHarness card(loadScenario("unplug-after-start"));
  card.advance(9s);
  EXPECT_FALSE(card.engine.unplugRequested());
  card.advance(1s);
  EXPECT_TRUE(card.engine.unplugRequested());
}

TEST(BuiltinScenarios, SlowRepliesComeOnlyAfterTheirDelay) {
  EngineHarness card(loadScenario("slow-replies"));
  EXPECT_EQ(card.command("ATE0"), "ATE0\r");
  EXPECT_EQ(card.advance(1499ms), "");
}

}  // namespace
}  // namespace p42r::card
