#include "card/tests/EngineHarness.h"

#include "card/UpdateVocabulary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace p42r::card {
namespace {

using namespace std::chrono_literals;
using testing::EngineHarness;
using testing::framed;

Scenario updateScenario() {
  Scenario scenario;
  scenario.echo = false;
  scenario.update.pacing = 1s;
  return scenario;
}

// The lines in framed output, in order.
std::vector<std::string> linesOf(const std::string& output) {
  std::vector<std::string> lines;
  std::size_t position = 0;
  while ((position = output.find("\r\n", position)) != std::string::npos) {
    const std::size_t end = output.find("\r\n", position + 2);
    if (end == std::string::npos) break;
    lines.push_back(output.substr(position + 2, end - position - 2));
    position = end + 2;
  }
  return lines;
}

std::vector<std::string> notices(int last) {
  std::vector<std::string> lines;
  for (int k = 0; k <= last; ++k) lines.emplace_back(kProgressNotices[static_cast<std::size_t>(k)]);
  return lines;
}

TEST(UpdateRun, SixteenNoticesAtThePacingThenOk) {
  EngineHarness card(updateScenario());
  EXPECT_EQ(card.command("AT@KUPSTART"), "");  // no immediate OK: OK is the final result
  for (const auto notice : kProgressNotices) {
    EXPECT_EQ(card.advance(999ms), "");
    EXPECT_EQ(card.advance(1ms), framed({notice}));
  }
  EXPECT_EQ(card.advance(1s), framed({"OK"}));
  EXPECT_EQ(card.advance(1h), "");
  EXPECT_FALSE(card.engine.state().updateRunning);
  EXPECT_EQ(card.engine.state().lastNotice, 15);
}

TEST(UpdateRun, ClockJumpDeliversEverythingInOrder) {
  EngineHarness card(updateScenario());
  card.command("AT@KUPSTART");
  std::vector<std::string> expected = notices(15);
  expected.emplace_back("OK");
  EXPECT_EQ(linesOf(card.advance(1h)), expected);
}

TEST(UpdateRun, PerNoticeDelaysOverrideThePacing) {
  Scenario scenario = updateScenario();
  scenario.update.noticeDelays[3] = 30s;  // FDL20
  scenario.update.lastNotice = 3;
  scenario.update.finalDelay = 0ms;
  EngineHarness card(scenario);
  card.command("AT@KUPSTART");
  EXPECT_EQ(linesOf(card.advance(3s)), (std::vector<std::string>{"VERCFSTR", "VERCFCPL", "FDLSTART"}));
  EXPECT_EQ(card.advance(29999ms), "");
  EXPECT_EQ(card.advance(1ms), framed({"FDL20", "OK"}));
}

struct EndingCase {
  const char* name;
  int lastNotice;
  Ending ending;
  std::vector<std::string> tail;  // what follows the notices
};

class UpdateEndings : public ::testing::TestWithParam<EndingCase> {};

TEST_P(UpdateEndings, NoticesUpToThePhaseThenTheEnding) {
  Scenario scenario = updateScenario();
  scenario.update.lastNotice = GetParam().lastNotice;
  scenario.update.ending = GetParam().ending;
  EngineHarness card(scenario);
  card.command("AT@KUPSTART");
  std::vector<std::string> expected = notices(GetParam().lastNotice);
  expected.insert(expected.end(), GetParam().tail.begin(), GetParam().tail.end());
  EXPECT_EQ(linesOf(card.advance(1h)), expected);
  EXPECT_FALSE(card.engine.state().updateRunning);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, UpdateEndings,
    ::testing::Values(
        EndingCase{"NotNeeded", 1, {EndingKind::Error, "FNO", {}}, {"ERROR", "FNO"}},
        EndingCase{"RefusedAtOnce", -1, {EndingKind::Error, "NO CARRIER", {}}, {"ERROR", "NO CARRIER"}},
        EndingCase{"DownloadFails", 4, {EndingKind::Error, "FDLNG", {}}, {"ERROR", "FDLNG"}},
        EndingCase{"Finished", 15, {EndingKind::Error, "FUPSTOP", {}}, {"ERROR", "FUPSTOP"}},
        EndingCase{"UnlistedReason", 2, {EndingKind::Error, "FXYZ", {}}, {"ERROR", "FXYZ"}},
        EndingCase{"RawLines", 3, {EndingKind::Lines, "", {"ERROR", "VERCFSTR"}}, {"ERROR", "VERCFSTR"}},
        EndingCase{"WrongCaseOk", 15, {EndingKind::Lines, "", {"ok"}}, {"ok"}},
        EndingCase{"SilenceAfterFdl60", 5, {EndingKind::Silence, "", {}}, {}}),
    [](const auto& caseInfo) { return std::string(caseInfo.param.name); });

TEST(UpdateRun, SilenceEndsTheUpdateButNotTheCard) {
  Scenario scenario = updateScenario();
  scenario.update.lastNotice = 5;
  scenario.update.ending.kind = EndingKind::Silence;
  EngineHarness card(scenario);
  card.command("AT@KUPSTART");
  card.advance(1h);
  EXPECT_EQ(card.command("AT"), framed({"OK"}));
}

TEST(UpdateRun, HangEndsEverything) {
  Scenario scenario = updateScenario();
  scenario.update.lastNotice = 5;
  scenario.update.ending.kind = EndingKind::Hang;
  EngineHarness card(scenario);
  card.command("AT@KUPSTART");
  EXPECT_EQ(linesOf(card.advance(1h)), notices(5));
  EXPECT_EQ(card.command("AT"), "");
}

TEST(UpdateRun, UnplugInTheMiddleOfTheDownload) {
  Scenario scenario = updateScenario();
  scenario.update.lastNotice = 4;
  scenario.update.ending.kind = EndingKind::Unplug;
  EngineHarness card(scenario);
  card.command("AT@KUPSTART");
  EXPECT_EQ(linesOf(card.advance(5s)), notices(4));
  EXPECT_FALSE(card.engine.unplugRequested());
  EXPECT_EQ(card.advance(1s), "");
  EXPECT_TRUE(card.engine.unplugRequested());
}

TEST(UpdateRun, KeepAlivesBridgeLongPhasesAndStopAtTheEnd) {
  Scenario scenario = updateScenario();
  for (std::size_t k = 3; k <= 6; ++k) scenario.update.noticeDelays[k] = 12min;
  scenario.update.keepAliveInterval = 4min;
  EngineHarness card(scenario);
  card.command("AT@KUPSTART");
  // Walk the clock a minute at a time and note when each line came.
  std::vector<std::pair<int, std::string>> seen;
  for (int minute = 1; minute <= 60; ++minute) {
    for (const auto& line : linesOf(card.advance(1min))) seen.emplace_back(minute, line);
  }
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().second, "OK");
  int keepAlives = 0;
  int previous = 0;
  for (const auto& [minute, line] : seen) {
    EXPECT_LE(minute - previous, 4) << "a gap of more than four minutes before " << line;
    previous = minute;
    keepAlives += line == "KUPDLCNT" ? 1 : 0;
  }
  // 48 minutes of slow download plus the rest: one keep-alive every 4 minutes.
  EXPECT_GE(keepAlives, 12);
  EXPECT_EQ(card.advance(1h), "");
}

TEST(UpdateRun, AcceptedEndStopsTheNotices) {
  EngineHarness card(updateScenario());
  card.command("AT@KUPSTART");
  EXPECT_EQ(card.advance(1s), framed({"VERCFSTR"}));
  EXPECT_EQ(card.command("AT@KUPEND"), framed({"OK"}));
  EXPECT_EQ(card.advance(1h), "");
  EXPECT_FALSE(card.engine.state().updateRunning);
}

TEST(UpdateRun, RefusedEndLetsTheUpdateGoOn) {
  Scenario scenario = updateScenario();
  scenario.update.acceptEnd = false;
  EngineHarness card(scenario);
  card.command("AT@KUPSTART");
  card.advance(1s);
  EXPECT_EQ(card.command("AT@KUPEND"), framed({"ERROR"}));
  EXPECT_EQ(card.advance(1s), framed({"VERCFCPL"}));
}

TEST(UpdateRun, SecondStartBeginsAgain) {
  EngineHarness card(updateScenario());
  card.command("AT@KUPSTART");
  EXPECT_EQ(linesOf(card.advance(3s)), notices(2));
  card.command("AT@KUPSTART");
  EXPECT_EQ(card.advance(1s), framed({"VERCFSTR"}));
  std::vector<std::string> rest = notices(15);
  rest.erase(rest.begin());
  rest.emplace_back("OK");
  EXPECT_EQ(linesOf(card.advance(1h)), rest);
}

TEST(UpdateRun, RunningApplicationRefusesTheUpdate) {
  Scenario scenario = updateScenario();
  scenario.applications[0].state = 1;
  EngineHarness card(scenario);
  EXPECT_EQ(card.command("AT@KUPSTART"), framed({"ERROR", "KUPRUNNING"}));
  EXPECT_EQ(card.advance(1h), "");
  scenario.update.refuseWhenApplicationRunning = false;
  EngineHarness lenient(scenario);
  EXPECT_EQ(lenient.command("AT@KUPSTART"), "");
  EXPECT_EQ(lenient.advance(1s), framed({"VERCFSTR"}));
}

TEST(UpdateRun, LeftWritingTheNextStartSeesTheWritingNotice) {
  Scenario scenario = updateScenario();
  scenario.update.lastNotice = 10;  // FPL40
  scenario.update.ending.kind = EndingKind::Silence;
  scenario.update.leaveWriting = true;
  EngineHarness card(scenario);
  card.command("AT@KUPSTART");
  EXPECT_EQ(linesOf(card.advance(1h)), notices(10));
  EXPECT_TRUE(card.engine.state().writing);
  // The handheld starts again: its ATE0 meets a card that is still writing.
  EXPECT_EQ(card.command("ATE0"), framed({"FPL40"}));
  EXPECT_EQ(card.advance(scenario.writing.delay), framed({"OK"}));
  EXPECT_EQ(card.command("ATE0"), framed({"OK"}));
}

}  // namespace
}  // namespace p42r::card
