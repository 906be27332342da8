#include "card/tests/EngineHarness.h"

#include "card/TrafficTrace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace p42r::card {
namespace {

using namespace std::chrono_literals;
using testing::EngineHarness;
using testing::framed;

const std::string kNul(1, '\0');

// Raw chunks in, raw bytes out, on a card that starts with its echo on.
struct EchoCase {
  const char* name;
  std::vector<std::string> chunks;
  std::vector<std::string> expected;  // output after each chunk
};

class EngineEchoTable : public ::testing::TestWithParam<EchoCase> {};

TEST_P(EngineEchoTable, EchoesAsReceivedThenAnswers) {
  EngineHarness card;
  const EchoCase& c = GetParam();
  ASSERT_EQ(c.chunks.size(), c.expected.size());
  for (std::size_t i = 0; i < c.chunks.size(); ++i) {
    EXPECT_EQ(visibleBytes(card.send(c.chunks[i])), visibleBytes(c.expected[i])) << "after chunk " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    EchoOn, EngineEchoTable,
    ::testing::Values(
        // The handheld's own framing: the echo ends at the CR, since ATE0
        // takes effect before the LF arrives; the NUL is never echoed.
        EchoCase{"HandheldEchoOff", {"ATE0\r\n" + kNul}, {"ATE0\r" + framed({"OK"})}},
        EchoCase{"EchoOffThenMakerNotEchoed",
                 {"ATE0\r\n" + kNul, "AT+GMI\r\n" + kNul},
                 {"ATE0\r" + framed({"OK"}), framed({"Halvorn.Corp", "OK"})}},
        EchoCase{"BareCarriageReturn", {"AT\r"}, {"AT\r" + framed({"OK"})}},
        EchoCase{"BareLineFeed", {"AT\n"}, {"AT\n" + framed({"OK"})}},
        EchoCase{"CarriageReturnLineFeedWithEchoOn", {"AT\r\n"}, {"AT\r" + framed({"OK"}) + "\n"}},
        EchoCase{"PartialCommandAcrossChunks",
                 {"AT+G", "MI", "\r\n" + kNul},
                 {"AT+G", "MI", "\r" + framed({"Halvorn.Corp", "OK"}) + "\n"}},
        EchoCase{"OneByteAtATime",
                 {"A", "T", "\r", "\n", kNul},
                 {"A", "T", "\r" + framed({"OK"}), "\n", ""}},
        EchoCase{"GarbageIsEchoedButNotAnswered", {"\x01zz\r\n"}, {"\x01zz\r\n"}},
        EchoCase{"NulOnlyGivesNothing", {kNul + kNul}, {""}},
        EchoCase{"UnknownCommand", {"AT@NOSUCH\r"}, {"AT@NOSUCH\r" + framed({"ERROR"})}},
        EchoCase{"LowerCaseCommand", {"at+gmi\r"}, {"at+gmi\r" + framed({"Halvorn.Corp", "OK"})}},
        EchoCase{"EchoBackOn", {"ATE0\r", "ATE1\r", "AT\r"}, {"ATE0\r" + framed({"OK"}), framed({"OK"}), "AT\r" + framed({"OK"})}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(CardEngine, OverlongLineIsAnsweredError) {
  Scenario scenario;
  scenario.echo = false;
  EngineHarness card(scenario);
  EXPECT_EQ(card.send(std::string(CommandParser::kMaxLineLength + 1, 'A') + "\r"), framed({"ERROR"}));
  EXPECT_EQ(card.command("AT"), framed({"OK"}));
}

TEST(CardEngine, RemembersTheCommandsItReceived) {
  EngineHarness card;
  card.command("ATE0");
  card.send("noise\r");
  card.command("AT+GMI");
  EXPECT_EQ(std::vector<std::string>(card.engine.state().commands.begin(), card.engine.state().commands.end()),
            (std::vector<std::string>{"ATE0", "AT+GMI"}));
}

class EngineBehaviour : public ::testing::Test {
protected:
  static Scenario quiet() {
    Scenario scenario;
    scenario.echo = false;
    return scenario;
  }
};

TEST_F(EngineBehaviour, EchoStaysOnWhenAte0DoesNotWork) {
  Scenario scenario;
  scenario.echoOffWorks = false;
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("ATE0"), "ATE0\r" + framed({"OK"}) + "\n");
  EXPECT_EQ(card.command("AT+GMI"), "AT+GMI\r" + framed({"Halvorn.Corp", "OK"}) + "\n");
  EXPECT_TRUE(card.engine.state().echo);
}

TEST_F(EngineBehaviour, SilentCardAnswersNothingNotEvenEcho) {
  Scenario scenario;
  scenario.silent = true;
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("ATE0"), "");
  EXPECT_EQ(card.command("AT+GMI"), "");
  EXPECT_EQ(card.advance(1h), "");
}

TEST_F(EngineBehaviour, SilenceFromAChosenCommandOn) {
  Scenario scenario = quiet();
  scenario.silentFrom = "AT+GMI";
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("ATE0"), framed({"OK"}));
  EXPECT_EQ(card.command("AT+GMI"), "");
  EXPECT_EQ(card.command("AT"), "");
  EXPECT_TRUE(card.engine.state().silent);
}

TEST_F(EngineBehaviour, MakerAnswerMayBeAnotherOrSpreadOverLines) {
  Scenario scenario = quiet();
  scenario.maker = {"Kestrel.Inc"};
  EXPECT_EQ(EngineHarness(scenario).command("AT+GMI"), framed({"Kestrel.Inc", "OK"}));
  scenario.maker = {"Halvorn", ".Corp"};
  EXPECT_EQ(EngineHarness(scenario).command("AT+GMI"), framed({"Halvorn", ".Corp", "OK"}));
}

TEST_F(EngineBehaviour, ChosenCommandsAnswerErrorByPrefixLongestFirst) {
  Scenario scenario = quiet();
  scenario.domains = {"a.example", "b.example", "c.example"};
  scenario.replies = {{"AT@ALDR=", {"ERROR"}}, {"AT@ALDR=2", {"b.example", "OK"}}, {"at+gmi", {"ERROR"}}};
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("AT@ALDR=1"), framed({"ERROR"}));
  EXPECT_EQ(card.command("AT@ALDR=2"), framed({"b.example", "OK"}));
  EXPECT_EQ(card.command("AT+GMI"), framed({"ERROR"}));
  EXPECT_EQ(card.command("AT+GMM"), framed({"P42R", "OK"}));
}

TEST_F(EngineBehaviour, OverriddenCommandChangesNoState) {
  Scenario scenario = quiet();
  scenario.replies = {{"AT@LEDSET=", {"ERROR"}}};
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("AT@LEDSET=0"), framed({"ERROR"}));
  EXPECT_TRUE(card.engine.state().ledOn);
}

TEST_F(EngineBehaviour, DelayedRepliesFollowTheClock) {
  Scenario scenario = quiet();
  scenario.replyDelay = 1500ms;
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("AT+GMI"), "");
  EXPECT_EQ(card.advance(1499ms), "");
  EXPECT_EQ(card.advance(1ms), framed({"Halvorn.Corp", "OK"}));
  EXPECT_EQ(card.advance(1h), "");
}

TEST_F(EngineBehaviour, IdentificationCommandsOutsideTheScreens) {
  EngineHarness card(quiet());
  EXPECT_EQ(card.command("AT+GMM"), framed({"P42R", "OK"}));
  EXPECT_EQ(card.command("ATI1"), framed({"P42R", "OK"}));
  EXPECT_EQ(card.command("AT+GMI=?"), framed({"ERROR"}));
}

TEST_F(EngineBehaviour, ReceptionStateAndConnectionResult) {
  Scenario scenario = quiet();
  scenario.reception = {"4,0,2"};
  scenario.connectionResult = {"3"};
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("AT@HYBRRSSI?"), framed({"4,0,2", "OK"}));
  EXPECT_EQ(card.command("AT@CNLTRT"), framed({"3", "OK"}));
}

TEST_F(EngineBehaviour, LedSettingAcceptsOnlyOneAndZero) {
  EngineHarness card(quiet());
  EXPECT_EQ(card.command("AT@LEDSET=0"), framed({"OK"}));
  EXPECT_FALSE(card.engine.state().ledOn);
  EXPECT_EQ(card.command("AT@LEDSET=2"), framed({"ERROR"}));
  EXPECT_EQ(card.command("AT@LEDSET="), framed({"ERROR"}));
  EXPECT_FALSE(card.engine.state().ledOn);
  EXPECT_EQ(card.command("AT@LEDSET=1"), framed({"OK"}));
  EXPECT_TRUE(card.engine.state().ledOn);
}

TEST_F(EngineBehaviour, DomainSlotsReadWriteDelete) {
  Scenario scenario = quiet();
  scenario.domains = {"", "mail.example.jp", ""};
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("AT@ALDR=1"), framed({"OK"}));  // an empty slot: OK alone
  EXPECT_EQ(card.command("AT@ALDR=2"), framed({"mail.example.jp", "OK"}));
  EXPECT_EQ(card.command("AT@ALDW=1,vpn.example.net"), framed({"OK"}));
  EXPECT_EQ(card.command("AT@ALDW=2,a,b"), framed({"OK"}));  // the domain is everything after the first comma
  EXPECT_EQ(card.command("AT@ALDD=3"), framed({"OK"}));
  EXPECT_EQ(card.engine.state().domainSlots, (std::array<std::string, 3>{"vpn.example.net", "a,b", ""}));
  EXPECT_EQ(card.command("AT@ALDR=1"), framed({"vpn.example.net", "OK"}));
}

TEST_F(EngineBehaviour, DomainSlotsRefuseBadSlotsAndEmptyDomains) {
  EngineHarness card(quiet());
  for (const char* bad : {"AT@ALDR=0", "AT@ALDR=4", "AT@ALDR=12", "AT@ALDR=", "AT@ALDR=x", "AT@ALDD=9",
                          "AT@ALDW=1", "AT@ALDW=1,", "AT@ALDW=4,a.example", "AT@ALDW=,a.example"}) {
    EXPECT_EQ(card.command(bad), framed({"ERROR"})) << bad;
  }
  EXPECT_EQ(card.engine.state().domainSlots, (std::array<std::string, 3>{}));
}

TEST_F(EngineBehaviour, DedicatedMemoryWritesAreRecorded) {
  EngineHarness card(quiet());
  const std::string hex(32, 'a');
  EXPECT_EQ(card.command("AT@DMRW=" + hex + ",ID-0042,x"), framed({"OK"}));
  EXPECT_EQ(card.command("AT@DMRW=zz,ID"), framed({"ERROR"}));
  EXPECT_EQ(card.command("AT@DMRW=abc,ID"), framed({"ERROR"}));  // odd number of hex digits
  EXPECT_EQ(card.command("AT@DMRW=" + hex), framed({"ERROR"}));   // no clear text part
  ASSERT_EQ(card.engine.state().memoryWrites.size(), 1u);
  EXPECT_EQ(card.engine.state().memoryWrites[0].hex, hex);
  EXPECT_EQ(card.engine.state().memoryWrites[0].text, "ID-0042,x");
}

TEST_F(EngineBehaviour, ApplicationListNamesStartAndStop) {
  EngineHarness card(quiet());
  EXPECT_EQ(card.command("AT&OP=APP?"), framed({"APP=1001+0/1002+0/1003+0/", "OK"}));
  EXPECT_EQ(card.command("AT&OP=1002,6"), framed({"APP=Mail", "OK"}));
  EXPECT_EQ(card.command("AT&OP=1002,1"), framed({"OK"}));
  EXPECT_EQ(card.command("AT&OP=APP?"), framed({"APP=1001+0/1002+1/1003+0/", "OK"}));
  EXPECT_EQ(card.command("AT&OP=1002,2"), framed({"OK"}));
  EXPECT_EQ(card.engine.state().applications[1].state, 0);
}

TEST_F(EngineBehaviour, ApplicationRequestsThatFitNothingAreRefused) {
  EngineHarness card(quiet());
  for (const char* bad : {"AT&OP=9999,6", "AT&OP=1001,9", "AT&OP=1001", "AT&OP=", "AT&OP=,1", "AT&OP=APP"}) {
    EXPECT_EQ(card.command(bad), framed({"ERROR"})) << bad;
  }
  for (const auto& application : card.engine.state().applications) EXPECT_EQ(application.state, 0);
}

TEST_F(EngineBehaviour, ApplicationEffectsMayDifferFromTheReply) {
  Scenario scenario = quiet();
  scenario.applications = {
      {"A3", "Weather", 0, {"ERROR", 1}, {"OK", 0}},            // refuses, but starts anyway
      {"A5", "Camera", 1, {"OK", 1}, {"OK", std::nullopt}},     // stop is answered OK and ignored
      {"A6", "Music", 0, {"", std::nullopt}, {"OK", 0}},        // start is not answered at all
  };
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("AT&OP=A3,1"), framed({"ERROR"}));
  EXPECT_EQ(card.command("AT&OP=A5,2"), framed({"OK"}));
  EXPECT_EQ(card.command("AT&OP=A6,1"), "");
  EXPECT_EQ(card.command("AT&OP=APP?"), framed({"APP=A3+1/A5+1/A6+0/", "OK"}));
}

TEST_F(EngineBehaviour, EmptyApplicationListIsJustThePrefix) {
  Scenario scenario = quiet();
  scenario.applications.clear();
  EXPECT_EQ(EngineHarness(scenario).command("AT&OP=APP?"), framed({"APP=", "OK"}));
}

TEST_F(EngineBehaviour, UnplugOnACommandAnswersNothingMore) {
  Scenario scenario = quiet();
  scenario.unplug.onCommand = "AT@KUPSTART";
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("AT"), framed({"OK"}));
  EXPECT_FALSE(card.engine.unplugRequested());
  EXPECT_EQ(card.command("AT@KUPSTART"), "");
  EXPECT_TRUE(card.engine.unplugRequested());
  EXPECT_EQ(card.command("AT"), "");
  EXPECT_EQ(card.advance(1h), "");
  EXPECT_FALSE(card.engine.nextDeadline().has_value());
}

TEST_F(EngineBehaviour, UnplugAfterADelayCountsFromPluggingIn) {
  Scenario scenario = quiet();
  scenario.unplug.after = 10s;
  EngineHarness card(scenario);
  card.advance(9999ms);
  EXPECT_FALSE(card.engine.unplugRequested());
  EXPECT_EQ(card.command("AT"), framed({"OK"}));
  card.advance(1ms);
  EXPECT_TRUE(card.engine.unplugRequested());
}

TEST_F(EngineBehaviour, WritingAtStartAnswersTheNoticeThenTheEnding) {
  Scenario scenario;
  scenario.writing.atStart = true;
  scenario.writing.delay = 3s;
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("ATE0"), "ATE0\r" + framed({"FPL40"}) + "\n");
  // A second command meanwhile gets the notice again but does not move the end.
  EXPECT_EQ(card.advance(1s), "");
  EXPECT_EQ(card.command("ATE0"), "ATE0\r" + framed({"FPL40"}) + "\n");
  EXPECT_EQ(card.advance(1999ms), "");
  EXPECT_EQ(card.advance(1ms), framed({"OK"}));
  EXPECT_EQ(card.advance(1h), "");
  EXPECT_FALSE(card.engine.state().writing);
  EXPECT_EQ(card.command("ATE0"), "ATE0\r" + framed({"OK"}));
}

TEST_F(EngineBehaviour, WritingAtStartMayFailWithAReason) {
  Scenario scenario = quiet();
  scenario.writing.atStart = true;
  scenario.writing.notice = "FPL60";
  scenario.writing.ending = {EndingKind::Error, "FSTOP", {}};
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("ATE0"), framed({"FPL60"}));
  EXPECT_EQ(card.advance(scenario.writing.delay), framed({"ERROR", "FSTOP"}));
}

}  // namespace
}  // namespace p42r::card
