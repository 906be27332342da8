#include "card/tests/SerialTestPort.h"
#include "card/tests/TemporaryDirectory.h"

#include "card/CardError.h"
#include "card/CardRegistration.h"
#include "card/LinkLedger.h"
#include "card/ManualCardClock.h"
#include "card/RegistryFile.h"
#include "card/SimulatedCard.h"
#include "card/TrafficTrace.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <mutex>
#include <thread>

namespace p42r::card {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using testing::SerialTestPort;
using testing::TemporaryDirectory;

SimulatedCardOptions optionsFor(const TemporaryDirectory& root, Scenario scenario = {}) {
  SimulatedCardOptions options;
  options.deviceRoot = root.path();
  options.scenario = std::move(scenario);
  return options;
}

TEST(SimulatedCard, AnswersTheHandheldOverARealPty) {
  TemporaryDirectory root;
  SimulatedCard card(optionsFor(root));
  ASSERT_THAT(card.slavePath(), HasSubstr("/dev/pts/"));

  // The handheld finds the port through the registry.
  const RegistryDocument registry = readRegistryFile(registryPath(root.path()));
  EXPECT_EQ(registry.stringValue(card.registryKey(), "HostDevice"), card.slavePath());
  EXPECT_EQ(registry.stringValue(card.registryKey(), "Name"), card.comName());

  SerialTestPort port(card.slavePath());
  ASSERT_TRUE(port.isOpen());
  port.writeCommand("ATE0");
  EXPECT_EQ(visibleBytes(port.readUntil("OK\r\n")), visibleBytes("ATE0\r\r\nOK\r\n"));
  port.writeCommand("AT+GMI");
  EXPECT_EQ(visibleBytes(port.readUntil("OK\r\n")), visibleBytes("\r\nHalvorn.Corp\r\n\r\nOK\r\n"));
  EXPECT_FALSE(card.state().echo);
}

TEST(SimulatedCard, UpdateNoticesFollowTheInjectedClock) {
  TemporaryDirectory root;
  auto clock = std::make_shared<ManualCardClock>();
  Scenario scenario;
  scenario.echo = false;
  scenario.update.pacing = 1min;
  SimulatedCardOptions options = optionsFor(root, scenario);
  options.clock = clock;
  SimulatedCard card(options);
  SerialTestPort port(card.slavePath());

  port.writeCommand("AT@KUPSTART");
  port.writeCommand("AT");
  // The OK to "AT" shows the card has taken the update start: no notice yet,
  // since no card time has passed.
  EXPECT_EQ(visibleBytes(port.readUntil("OK\r\n")), visibleBytes("\r\nOK\r\n"));
  clock->advance(1min);
  EXPECT_EQ(visibleBytes(port.readUntil("VERCFSTR\r\n")), visibleBytes("\r\nVERCFSTR\r\n"));
  clock->advance(1h);
  const std::string rest = port.readUntil("\r\nOK\r\n");
  EXPECT_THAT(rest, HasSubstr("\r\nRSTNOTICPL\r\n\r\nOK\r\n"));
  EXPECT_THAT(rest, ::testing::Not(HasSubstr("VERCFSTR")));
}

// The ledger a program on the card's clock waits for: a slow answer is not
// settled until the card has run its delay and the host has read the answer.
TEST(SimulatedCard, LedgerSettlesOnlyOnceASlowAnswerIsRead) {
  TemporaryDirectory root;
  auto clock = std::make_shared<ManualCardClock>();
  auto ledger = std::make_shared<LinkLedger>();
  Scenario scenario;
  scenario.echo = false;
  scenario.replyDelay = 1500ms;
  SimulatedCardOptions options = optionsFor(root, scenario);
  options.clock = clock;
  options.ledger = ledger;
  SimulatedCard card(options);
  SerialTestPort port(card.slavePath());
  ledger->hostListening(true);
  const auto settledSoon = [&ledger] {
    auto settled = std::make_shared<std::promise<void>>();
    ledger->whenSettled([settled] { settled->set_value(); });
    return settled->get_future().wait_for(10s) == std::future_status::ready;
  };

  const std::string command = "AT";
  ledger->hostSends(command.size() + 3);  // CR, LF, NUL
  port.writeCommand(command);
  ASSERT_TRUE(settledSoon()) << "the card took the command";
  EXPECT_EQ(ledger->cardDeadline(), clock->now() + 1500ms);

  ledger->timeMoved();
  clock->advance(1500ms);
  const std::string answer = port.readUntil("OK\r\n");
  ASSERT_EQ(visibleBytes(answer), visibleBytes("\r\nOK\r\n"));
  EXPECT_FALSE(ledger->settled()) << "read, not yet handed on";
  ledger->hostRead(answer.size());
  ledger->hostHandled();
  EXPECT_TRUE(settledSoon());  // once the card's turn has ended too
}

TEST(SimulatedCard, ClockMovedFromAnotherThreadWhileTalking) {
  TemporaryDirectory root;
  auto clock = std::make_shared<ManualCardClock>();
  Scenario scenario;
  scenario.echo = false;
  scenario.update.pacing = 10ms;
  scenario.update.keepAliveInterval = 1ms;
  SimulatedCardOptions options = optionsFor(root, scenario);
  options.clock = clock;
  std::mutex traceMutex;
  std::size_t traced = 0;
  options.trace = [&](TrafficDirection, std::string_view bytes) {
    std::lock_guard lock(traceMutex);
    traced += bytes.size();
  };
  SimulatedCard card(options);
  SerialTestPort port(card.slavePath());
  port.writeCommand("AT@KUPSTART");
  port.writeCommand("AT");
  ASSERT_THAT(port.readUntil("OK\r\n"), HasSubstr("OK"));
  std::thread mover([&] {
    for (int i = 0; i < 200; ++i) clock->advance(1ms);
  });
  for (int i = 0; i < 20; ++i) {
    port.writeCommand("AT@HYBRRSSI?");
    ASSERT_THAT(port.readUntil("1,3,4\r\n\r\nOK\r\n"), HasSubstr("1,3,4"));
  }
  mover.join();
  // Notices and keep-alives came between the replies, and the update ended:
  // AT@KUPSTART's OK, at its end, is the one beyond the AT's and the twenty
  // queries'. A query's answer may stand between the last keep-alive and it.
  const auto oks = [&] {
    std::size_t count = 0;
    for (auto at = port.total().find("OK\r\n"); at != std::string::npos; at = port.total().find("OK\r\n", at + 1)) {
      ++count;
    }
    return count;
  };
  for (int read = 0; read < 3 && oks() < 22; ++read) port.readUntil("OK\r\n");
  EXPECT_EQ(oks(), 22u) << visibleBytes(port.total());
  const auto last = port.total().find("\r\nRSTNOTICPL\r\n");
  ASSERT_NE(last, std::string::npos) << visibleBytes(port.total());
  // A keep-alive every millisecond: some came after the last notice, before the end.
  EXPECT_NE(port.total().find("KUPDLCNT", last), std::string::npos);
  std::lock_guard lock(traceMutex);
  EXPECT_GT(traced, 0u);
}

TEST(SimulatedCard, UnplugClosesTheLineAndRemovesTheEntry) {
  TemporaryDirectory root;
  std::atomic<int> notices{0};
  SimulatedCardOptions options = optionsFor(root);
  options.otherPort = true;
  options.onUnplugged = [&] { ++notices; };
  SimulatedCard card(options);
  EXPECT_EQ(readRegistryFile(registryPath(root.path())).subKeys(kActiveDriversKey).size(), 2u);
  SerialTestPort port(card.slavePath());
  port.writeCommand("AT");
  ASSERT_THAT(port.readUntil("OK\r\n"), HasSubstr("OK"));

  card.unplug();
  EXPECT_TRUE(card.unplugged());
  EXPECT_TRUE(port.waitForHangUp());
  EXPECT_EQ(notices.load(), 1);
  EXPECT_TRUE(card.unplugError().empty());
  const RegistryDocument after = readRegistryFile(registryPath(root.path()));
  EXPECT_TRUE(after.subKeys(kActiveDriversKey).empty());
  card.unplug();  // a second pull changes nothing
  EXPECT_EQ(notices.load(), 1);
}

TEST(SimulatedCard, ScenarioUnplugsOnACommand) {
  TemporaryDirectory root;
  Scenario scenario;
  scenario.unplug.onCommand = "AT+GMI";
  SimulatedCard card(optionsFor(root, scenario));
  SerialTestPort port(card.slavePath());
  port.writeCommand("ATE0");
  ASSERT_THAT(port.readUntil("OK\r\n"), HasSubstr("OK"));
  port.writeCommand("AT+GMI");
  EXPECT_TRUE(card.waitUntilUnplugged(10s));
  EXPECT_TRUE(port.waitForHangUp());
  EXPECT_FALSE(readRegistryFile(registryPath(root.path())).hasKey(card.registryKey()));
}

TEST(SimulatedCard, SlaveStaysUpUntilTheHandheldOpensIt) {
  TemporaryDirectory root;
  auto clock = std::make_shared<ManualCardClock>();
  SimulatedCardOptions options = optionsFor(root);
  options.clock = clock;
  SimulatedCard card(options);
  {
    SerialTestPort first(card.slavePath());
    first.writeCommand("AT");
    ASSERT_THAT(first.readUntil("OK\r\n"), HasSubstr("OK"));
  }
  // The handheld closed its end and opens it again: the line is still there.
  SerialTestPort second(card.slavePath());
  ASSERT_TRUE(second.isOpen());
  second.writeCommand("AT");
  EXPECT_THAT(second.readUntil("OK\r\n"), HasSubstr("OK"));
}

TEST(SimulatedCard, DestructionRemovesTheEntry) {
  TemporaryDirectory root;
  std::string key;
  {
    SimulatedCard card(optionsFor(root));
    key = card.registryKey();
    EXPECT_TRUE(readRegistryFile(registryPath(root.path())).hasKey(key));
  }
  EXPECT_FALSE(readRegistryFile(registryPath(root.path())).hasKey(key));
}

TEST(SimulatedCard, MissingDeviceRootIsRefused) {
  TemporaryDirectory root;
  SimulatedCardOptions options;
  options.deviceRoot = root.path() / "nowhere";
  EXPECT_THROW(SimulatedCard{options}, CardError);
}

}  // namespace
}  // namespace p42r::card
