#include "app/CPocketPCApp.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/DeviceNotice.h"
#include "program/ScreenTable.h"
#include "testing/HandheldHarness.h"
#include "testing/ScriptedCard.h"

namespace p42r::app {
namespace {

using platform::Form;

struct AppFixture : ::testing::Test, testing::HandheldHarness {
  testing::ScriptedCard card{serial};
  std::unique_ptr<CPocketPCApp> app;

  AppFixture() { testing::WriteCardRegistry(deviceRoot.registryFile()); }
  ~AppFixture() override { channel.JoinReaders(); }

  // Starts the application and lets the start-up screen identify the card.
  CPocketPCApp& Start(const std::u16string& commandLine = u"") {
    CPocketPCApp::Options options;
    options.commandLine = commandLine;
    options.createScreens = program::ScreenTableFor(CPocketPCApp::Options::Entry::Consumer);
    app = std::make_unique<CPocketPCApp>(services, options);
    EXPECT_TRUE(app->InitInstance());
    EXPECT_TRUE(RunUntil([&] { return app->currentScreen() == 15; })) << "the card was not identified";
    RunUntilIdle();
    return *app;
  }

  std::string LogContent() const {
    std::ifstream file(directory.path() / "Program Files" / "P42R" / "p42r_softup.log", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
};

TEST_F(AppFixture, StartCreatesFifteenHiddenScreensAndTheStartScreenLeadsToTheConsumerMenu) {
  CPocketPCApp& application = Start();
  EXPECT_EQ(display.activeForm(), application.screen(15));
  EXPECT_EQ(state.portName, u"COM4");
  EXPECT_EQ(display.title(), u"ケータイアップデート");
  EXPECT_EQ(display.applicationTitle(), u"P42RApplication");
  const char* classes[] = {"CPocketPCView",   "ClsStart",          "ClsCheckPswd",  "ClsUnlock",
                           "ClsChangePswd",   "ClsGeneralMain",    "ClsAdminMainCon", "ClsAdminMainSec",
                           "ClsPortableUpdate", "ClsUpdating",     "ClsDispState",  "ClsLEDDispChange",
                           "ClsLimitConnect", "ClsRunAppli",       "ClsSecurity",   "ClsConsumerMain"};
  for (int i = 0; i < kScreenCount; ++i) {
    Form* screen = application.screen(i);
    ASSERT_NE(screen, nullptr) << i;
    EXPECT_EQ(screen->className(), classes[i]);
    EXPECT_EQ(screen->isVisible(), i == 15) << i;
  }
  // 0 -> 1 -> 15: each switch exchanged the identifiers of the two screens.
  EXPECT_EQ(application.screen(15)->childId(), kFirstPaneId);
  EXPECT_EQ(application.screen(1)->childId(), kFirstPaneId + 15);
  EXPECT_EQ(application.screen(0)->childId(), kFirstPaneId + 1);
  for (int i = 2; i < 15; ++i) EXPECT_EQ(application.screen(i)->childId(), kFirstPaneId + static_cast<unsigned>(i));
  EXPECT_EQ(CountDelivered(application.screen(1)->handle(), WM_SCREEN_ACTIVATED), 1u);
  EXPECT_EQ(CountDelivered(application.screen(15)->handle(), WM_SCREEN_ACTIVATED), 1u);
}

TEST_F(AppFixture, FirstLayoutsHideWhatTheScreensHide) {
  CPocketPCApp& application = Start();
  EXPECT_FALSE(application.screen(1)->control(1077)->isVisible());
  EXPECT_TRUE(application.screen(1)->control(1003)->isVisible());
  EXPECT_FALSE(application.screen(5)->control(1016)->isVisible());
  EXPECT_FALSE(application.screen(5)->control(1018)->isVisible());
  EXPECT_TRUE(application.screen(5)->control(1017)->isVisible());
  for (const std::uint16_t id : {std::uint16_t{1030}, std::uint16_t{1079}, std::uint16_t{1062}}) EXPECT_FALSE(application.screen(9)->control(id)->isVisible()) << id;
  EXPECT_TRUE(application.screen(2)->control(1000)->inputMethodDetached());
  EXPECT_TRUE(application.screen(4)->control(1012)->inputMethodDetached());
}

TEST_F(AppFixture, SwitchScreenSwapsIdentifiersAndActivatesOnlyANewScreen) {
  CPocketPCApp& application = Start();
  Form* start = application.screen(1);
  Form* consumer = application.screen(15);
  EXPECT_EQ(consumer->childId(), kFirstPaneId);
  EXPECT_EQ(start->childId(), kFirstPaneId + 15);
  EXPECT_FALSE(start->isVisible());
  EXPECT_TRUE(consumer->isVisible());
  EXPECT_EQ(CountDelivered(consumer->handle(), WM_SCREEN_ACTIVATED), 1u);

  // Already shown: nothing changes and nothing is posted.
  EXPECT_EQ(application.SwitchScreen(15), consumer);
  RunUntilIdle();
  EXPECT_EQ(CountDelivered(consumer->handle(), WM_SCREEN_ACTIVATED), 1u);
  EXPECT_EQ(consumer->childId(), kFirstPaneId);

  EXPECT_EQ(application.SwitchScreen(8), consumer);
  RunUntilIdle();
  EXPECT_EQ(application.screen(8)->childId(), kFirstPaneId);
  EXPECT_EQ(consumer->childId(), kFirstPaneId + 8) << "the hidden one holds the identifier the visible one had";
  EXPECT_EQ(application.SwitchScreen(16), nullptr);
  EXPECT_EQ(application.currentScreen(), 8);
}

TEST_F(AppFixture, ARemovalNoticeReachesTheActiveScreenOnlyForTheIdentifiedPort) {
  CPocketPCApp& application = Start();
  state.portName = u"COM4";
  const auto notice = [&](std::uint64_t event, std::uint32_t type, std::u16string name) {
    windows.post(application.frame()->handle(), platform::WM_DEVICECHANGE, event, 0,
                 std::make_unique<platform::DeviceNotice>(type, std::move(name)));
    RunUntilIdle();
  };
  const platform::WindowHandle active = application.screen(15)->handle();
  notice(platform::DBT_DEVICEREMOVECOMPLETE, platform::DBT_DEVTYP_PORT, u"COM5:");
  notice(platform::DBT_DEVICEREMOVECOMPLETE, platform::DBT_DEVTYP_PORT, u"COM4");
  notice(platform::DBT_DEVICEREMOVECOMPLETE, platform::DBT_DEVTYP_PORT, u"com4:");
  notice(platform::DBT_DEVICEREMOVECOMPLETE, platform::DBT_DEVTYP_VOLUME, u"COM4:");
  notice(platform::DBT_DEVICEARRIVAL, platform::DBT_DEVTYP_PORT, u"COM4:");
  EXPECT_EQ(CountDelivered(active, WM_DEVICE_REMOVED), 0u);
  notice(platform::DBT_DEVICEREMOVECOMPLETE, platform::DBT_DEVTYP_PORT, u"COM4:");
  EXPECT_EQ(CountDelivered(active, WM_DEVICE_REMOVED), 1u);
}

TEST_F(AppFixture, TheReturnKeyNeverReachesAScreensButton) {
  CPocketPCApp& application = Start();
  ASSERT_FALSE(input.key(1073, platform::VK_RETURN).has_value());
  RunUntilIdle();
  EXPECT_EQ(application.currentScreen(), 15) << "Return must not press the phone-update button";
  ASSERT_FALSE(input.click(1073).has_value());
  RunUntilIdle();
  EXPECT_EQ(application.currentScreen(), 8);
}

TEST_F(AppFixture, TheCloseRequestDestroysTheScreensAndEndsTheLoop) {
  CPocketPCApp& application = Start();
  ASSERT_FALSE(input.click(1074).has_value());  // "終了"
  EXPECT_EQ(loop.run(), 0);
  EXPECT_EQ(CountDelivered(application.screen(9)->handle(), platform::WM_DESTROY), 1u);
  EXPECT_EQ(application.ExitInstance(), 0);
}

TEST_F(AppFixture, AnotherInstanceOnTheSameDeviceRootEndsAtOnce) {
  CPocketPCApp& first = Start();
  CPocketPCApp second(services, CPocketPCApp::Options{});
  EXPECT_FALSE(second.InitInstance());
  EXPECT_EQ(second.startFailure(), CPocketPCApp::StartFailure::AlreadyRunning);
  EXPECT_EQ(display.activeForm(), first.screen(15)) << "the running copy is untouched";
}

TEST_F(AppFixture, AFrameThatCannotBeCreatedEndsTheStart) {
  CPocketPCApp::Options options;
  options.commandBarFails = true;
  CPocketPCApp application(services, options);
  EXPECT_FALSE(application.InitInstance());
  EXPECT_EQ(application.startFailure(), CPocketPCApp::StartFailure::ShellCommandFailed);
}

CPocketPCApp::Options LogOptions(std::u16string commandLine) {
  CPocketPCApp::Options options;
  options.commandLine = std::move(commandLine);
  options.createScreens = program::ScreenTableFor(CPocketPCApp::Options::Entry::Consumer);
  return options;
}

TEST(LogOption, OnlyTheExactOptionAmongBlankSeparatedPiecesCounts) {
  EXPECT_TRUE(CPocketPCApp::HasLogOption(u"/LOG"));
  EXPECT_TRUE(CPocketPCApp::HasLogOption(u"/X /LOG /Y"));
  EXPECT_TRUE(CPocketPCApp::HasLogOption(u"  /LOG"));
  EXPECT_FALSE(CPocketPCApp::HasLogOption(u"/log"));
  EXPECT_FALSE(CPocketPCApp::HasLogOption(u"/LOGX"));
  EXPECT_FALSE(CPocketPCApp::HasLogOption(u"x/LOG"));
  EXPECT_FALSE(CPocketPCApp::HasLogOption(u"/LOG\t"));
  EXPECT_FALSE(CPocketPCApp::HasLogOption(u""));
}

TEST_F(AppFixture, EachStartWithTheLogOptionAppendsOneSeparator) {
  const std::string separator = std::string(61, '/') + "\r\n";
  {
    CPocketPCApp first(services, LogOptions(u"/LOG"));
    ASSERT_TRUE(first.InitInstance());
    log.line(u"Start");
    first.ExitInstance();
  }
  const std::string afterFirst = LogContent();
  ASSERT_EQ(afterFirst.substr(0, separator.size()), separator);
  {
    CPocketPCApp second(services, LogOptions(u"/LOG"));
    ASSERT_TRUE(second.InitInstance());
    second.ExitInstance();
  }
  EXPECT_EQ(LogContent(), afterFirst + separator) << "nothing is truncated";
  {
    CPocketPCApp third(services, LogOptions(u"/log /LOGX"));
    ASSERT_TRUE(third.InitInstance());
    EXPECT_FALSE(third.logFlag());
    log.line(u"not written");
    third.ExitInstance();
  }
  EXPECT_EQ(LogContent(), afterFirst + separator);
}

TEST_F(AppFixture, TheAboutCommandShowsTheAboutBoxModally) {
  CPocketPCApp& application = Start();
  windows.post(application.frame()->handle(), platform::WM_COMMAND, platform::MakeCommandParam(ID_APP_ABOUT, 0));
  bool sawDialog = false;
  loop.postTask([&] {
    ASSERT_EQ(display.openDialogs().size(), 1u);
    EXPECT_EQ(display.openDialogs().back()->templateId(), 100);
    sawDialog = true;
    EXPECT_FALSE(input.click(1).has_value());
  });
  RunUntilIdle();
  EXPECT_TRUE(sawDialog);
  EXPECT_TRUE(display.openDialogs().empty());
}

}  // namespace
}  // namespace p42r::app
