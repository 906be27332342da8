// The hostile card: what it adds to its replies, that it does so from its
// seed alone, and that it leaves the echo and the card's own state alone.
#include "card/tests/EngineHarness.h"

#include "card/CardError.h"
#include "card/ScenarioReader.h"
#include "card/TrafficTrace.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <string>

namespace p42r::card {
namespace {

using namespace std::chrono_literals;
using testing::EngineHarness;
using testing::framed;

Scenario Hostile(const std::string& hostileJson) {
  return readScenario(R"({"echo": false, "hostile": )" + hostileJson + "}", "test");
}

// Whether iconv takes `bytes` as CP932 text from start to end.
bool IsCp932Text(const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string input = bytes;
  std::string output(bytes.size() * 4 + 16, '\0');
  char* in = input.data();
  char* out = output.data();
  std::size_t inLeft = input.size();
  std::size_t outLeft = output.size();
  const std::size_t result = iconv(cd, &in, &inLeft, &out, &outLeft);
  iconv_close(cd);
  return result != static_cast<std::size_t>(-1) && inLeft == 0;
}

// What comes before the framed "OK" that ends an answer to "AT".
std::string BeforeOk(const std::string& reply) {
  const std::string ok = framed({"OK"});
  EXPECT_TRUE(reply.size() >= ok.size() && reply.compare(reply.size() - ok.size(), ok.size(), ok) == 0)
      << "the answer still ends in OK";
  return reply.substr(0, reply.size() - std::min(reply.size(), ok.size()));
}

TEST(HostileCard, TheSameSeedBringsTheSameBytesAndAnotherSeedOthers) {
  const auto play = [](int seed) {
    EngineHarness card(
        Hostile(R"({"randomBytesPercent": 60, "nulCrPercent": 40, "invalidTextPercent": 20, "seed": )" +
                std::to_string(seed) + "}"));
    std::string all;
    for (const char* command : {"AT", "AT+GMI", "AT@HYBRRSSI?", "AT&OP=APP?", "AT", "AT@CNLTRT"}) {
      all += card.command(command);
    }
    return all;
  };
  EXPECT_EQ(play(7), play(7));
  EXPECT_NE(play(7), play(8));
}

TEST(HostileCard, EachKindComesBeforeTheLineThatStillFollows) {
  {
    SCOPED_TRACE("random bytes");
    EngineHarness card(Hostile(R"({"randomBytesPercent": 100, "randomBytesMax": 16})"));
    const std::string garbage = BeforeOk(card.command("AT"));
    EXPECT_GE(garbage.size(), 1u);
    EXPECT_LE(garbage.size(), 16u);
  }
  {
    SCOPED_TRACE("a megabyte without a line feed");
    EngineHarness card(Hostile(R"({"longLinePercent": 100})"));
    const std::string run = BeforeOk(card.command("AT"));
    EXPECT_EQ(run.size(), 1024u * 1024u);
    EXPECT_EQ(run.find_first_of(std::string("\r\n\0", 3)), std::string::npos);
  }
  {
    SCOPED_TRACE("NULs and CRs");
    EngineHarness card(Hostile(R"({"nulCrPercent": 100})"));
    const std::string burst = BeforeOk(card.command("AT"));
    EXPECT_FALSE(burst.empty());
    EXPECT_TRUE(std::all_of(burst.begin(), burst.end(), [](char c) { return c == '\0' || c == '\r'; }));
  }
  {
    SCOPED_TRACE("unsolicited notices");
    EngineHarness card(Hostile(R"({"unsolicitedPercent": 100, "notices": ["RING"]})"));
    EXPECT_EQ(card.command("AT+GMI"), framed({"RING", "Halvorn.Corp", "RING", "OK"}));
  }
}

TEST(HostileCard, InvalidTextReplacesTheLineWithBytesThatAreNoCp932) {
  EngineHarness card(Hostile(R"({"invalidTextPercent": 100})"));
  for (int i = 0; i < 50; ++i) {
    const std::string reply = card.command("AT");
    ASSERT_GE(reply.size(), 4u);
    ASSERT_EQ(reply.substr(0, 2), "\r\n");
    ASSERT_EQ(reply.substr(reply.size() - 2), "\r\n");
    const std::string text = reply.substr(2, reply.size() - 4);
    EXPECT_FALSE(IsCp932Text(text)) << visibleBytes(text);
    EXPECT_EQ(text.find('\n'), std::string::npos) << "still one line";
  }
  EXPECT_TRUE(IsCp932Text("\x83\x50\x81\x5B")) << "the check itself takes real CP932";
}

TEST(HostileCard, AWrongReplyIsAnotherCommandsAnswerAndChangesNothing) {
  EngineHarness card(Hostile(R"({"wrongReplyPercent": 100, "seed": 3})"));
  for (int i = 0; i < 20; ++i) {
    const std::string reply = card.command("AT@LEDSET=0");
    EXPECT_FALSE(reply.empty());
    EXPECT_TRUE(card.engine.state().ledOn) << "the command itself was not carried out";
  }
  EXPECT_NE(card.command("AT+GMI"), framed({"Halvorn.Corp", "OK"}));
}

TEST(HostileCard, FromACommandOnItIsHostileAndNotBefore) {
  EngineHarness card(Hostile(R"({"from": "AT@KUPSTART", "randomBytesPercent": 100, "noiseMs": 100})"));
  EXPECT_EQ(card.command("ATE0"), framed({"OK"}));
  EXPECT_EQ(card.command("AT+GMI"), framed({"Halvorn.Corp", "OK"}));
  EXPECT_EQ(card.advance(1000ms), "") << "no noise before it starts";
  card.command("AT@KUPSTART");
  EXPECT_NE(card.command("AT"), framed({"OK"}));
}

TEST(HostileCard, NoiseComesUnaskedAtItsInterval) {
  EngineHarness card(Hostile(R"({"nulCrPercent": 100, "noiseMs": 500})"));
  EXPECT_EQ(card.advance(499ms), "");
  EXPECT_FALSE(card.advance(1ms).empty());
  EXPECT_FALSE(card.advance(500ms).empty());
  card.engine.requestUnplug();
  EXPECT_EQ(card.advance(5000ms), "") << "an unplugged card is quiet";
}

TEST(HostileCard, TheReaderRefusesWhatCannotBe) {
  EXPECT_THROW(Hostile(R"({"randomBytesPercent": 101})"), CardError);
  EXPECT_THROW(Hostile(R"({"longLineBytes": 0})"), CardError);
  EXPECT_THROW(Hostile(R"({"shout": true})"), CardError);
  EXPECT_THROW(Hostile(R"({"from": ""})"), CardError);
  const Scenario scenario = Hostile(R"({"seed": 9, "noiseMs": 250, "notices": ["X"]})");
  EXPECT_EQ(scenario.hostile.seed, 9u);
  EXPECT_EQ(scenario.hostile.noiseInterval, 250ms);
  EXPECT_EQ(scenario.hostile.notices, std::vector<std::string>{"X"});
  EXPECT_FALSE(Scenario{}.hostile.any()) << "a card is friendly unless told otherwise";
}

}  // namespace
}  // namespace p42r::card
