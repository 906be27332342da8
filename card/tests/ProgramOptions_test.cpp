#include "card/CardError.h"
#include "card/tool/ProgramOptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace p42r::card {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

std::string refusal(const std::vector<std::string>& arguments) {
  try {
    buildScenario(parseProgramOptions(arguments));
  } catch (const CardError& error) {
    EXPECT_EQ(error.kind(), CardErrorKind::InvalidInput);
    return error.what();
  }
  ADD_FAILURE() << "accepted";
  return "";
}

TEST(ProgramOptions, DeviceRootScenarioAndPort) {
  const ProgramOptions options =
      parseProgramOptions({"--device-root", "/tmp/x", "--scenario=other-maker", "--com", "4", "--other-port", "--trace"});
  EXPECT_EQ(options.deviceRoot, "/tmp/x");
  EXPECT_EQ(options.scenario, "other-maker");
  EXPECT_EQ(options.comNumber, 4);
  EXPECT_TRUE(options.otherPort);
  EXPECT_TRUE(options.trace);
  EXPECT_EQ(buildScenario(options).maker, std::vector<std::string>{"Kestrel.Inc"});
}

TEST(ProgramOptions, HelpAndListNeedNoDeviceRoot) {
  EXPECT_TRUE(parseProgramOptions({"--help"}).help);
  EXPECT_TRUE(parseProgramOptions({"--list-scenarios"}).listScenarios);
  EXPECT_THAT(programUsage(), HasSubstr("--device-root DIR"));
}

TEST(ProgramOptions, RefusesBadCommandLines) {
  EXPECT_THAT(refusal({}), HasSubstr("--device-root DIR is required"));
  EXPECT_THAT(refusal({"--device-root"}), HasSubstr("--device-root needs a value"));
  EXPECT_THAT(refusal({"--device-root", "d", "--bogus"}), HasSubstr("unknown option '--bogus'"));
  EXPECT_THAT(refusal({"--device-root", "d", "--com", "10"}), HasSubstr("--com expects a number from 0 to 9"));
  EXPECT_THAT(refusal({"--device-root", "d", "--pacing", "fast"}), HasSubstr("--pacing"));
  EXPECT_THAT(refusal({"--device-root", "d", "--trace=yes"}), HasSubstr("--trace takes no value"));
  EXPECT_THAT(refusal({"--device-root", "d", "--last-notice", "FDL30"}), HasSubstr("--last-notice"));
  EXPECT_THAT(refusal({"--device-root", "d", "--outcome", "error"}), HasSubstr("needs --reason"));
  EXPECT_THAT(refusal({"--device-root", "d", "--scenario", "nope"}), HasSubstr("nope"));
  EXPECT_THAT(refusal({"--device-root", "d", "--error-on="}), HasSubstr("--error-on needs a command"));
}

TEST(ProgramOptions, ChangesApplyOnTopOfTheScenarioInOrder) {
  const Scenario scenario = buildScenario(parseProgramOptions(
      {"--device-root", "d", "--scenario", "update-download-fails", "--maker", "Halvorn", "--maker", ".Corp",
       "--error-on", "AT@CNLTRT", "--pacing", "5", "--keep-alive=7", "--last-notice", "FDL60", "--outcome",
       "error", "--reason", "NO CARRIER", "--reason", "FSTOP", "--echo-stays-on", "--refuse-end",
       "--leave-writing", "--writing-at-start", "--writing-delay", "9", "--writing-outcome", "lines",
       "--unplug-after", "60000", "--unplug-on", "AT@LEDSET", "--silent-from", "AT@DMRW", "--reply-delay", "3"}));
  EXPECT_EQ(scenario.maker, (std::vector<std::string>{"Halvorn", ".Corp"}));
  ASSERT_EQ(scenario.replies.size(), 1u);
  EXPECT_EQ(scenario.replies[0].command, "AT@CNLTRT");
  EXPECT_EQ(scenario.update.pacing, 5ms);
  EXPECT_EQ(scenario.update.keepAliveInterval, 7ms);
  EXPECT_EQ(scenario.update.lastNotice, 5);
  EXPECT_EQ(scenario.update.ending.reason, "FSTOP");  // the later option wins
  EXPECT_FALSE(scenario.echoOffWorks);
  EXPECT_FALSE(scenario.update.acceptEnd);
  EXPECT_TRUE(scenario.update.leaveWriting);
  EXPECT_TRUE(scenario.writing.atStart);
  EXPECT_EQ(scenario.writing.delay, 9ms);
  EXPECT_EQ(scenario.writing.ending.kind, EndingKind::Lines);
  EXPECT_EQ(scenario.unplug.after, 60000ms);
  EXPECT_EQ(scenario.unplug.onCommand, "AT@LEDSET");
  EXPECT_EQ(scenario.silentFrom, "AT@DMRW");
  EXPECT_EQ(scenario.replyDelay, 3ms);
}

}  // namespace
}  // namespace p42r::card
