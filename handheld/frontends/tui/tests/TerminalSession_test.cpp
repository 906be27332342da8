// The terminal interface end to end on a real terminal (tmux): a person's
// way through the update, the close request from a signal, and a crash.
// Each run ends by writing the exit status and the terminal's settings
// after the program: they must be the usable ones (canonical input, echo).
#include <gtest/gtest.h>
#include <sys/types.h>

#include <csignal>
#include <filesystem>
#include <regex>

#include "TmuxSession.h"

namespace p42r::frontends::tui::testing {
namespace {

struct TerminalSessions : ::testing::Test {
  std::filesystem::path directory;
  std::string after;

  void SetUp() override {
    if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
    directory = std::filesystem::temp_directory_path() /
                ("p42r-tui-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(directory);
    after = (directory / "after").string();
  }
  void TearDown() override { std::filesystem::remove_all(directory); }

  // The demo, then its exit status and the terminal's settings into `after`.
  std::string Command(const std::string& options) const {
    return std::string(P42R_TUI_DEMO) + " " + options + "; echo \"exit=$?\" > " + after + "; stty -a >> " + after;
  }
  void ExpectUsableTerminal(const std::string& exit) {
    ASSERT_TRUE(WaitForFile(after, "icanon")) << "no terminal settings after the program; got: " << ReadFile(after);
    const std::string settings = ReadFile(after);
    EXPECT_NE(settings.find(exit), std::string::npos) << settings;
    EXPECT_EQ(settings.find("-icanon"), std::string::npos) << settings;
    EXPECT_EQ(settings.find("-echo "), std::string::npos) << settings;
    EXPECT_NE(settings.find(" ixon"), std::string::npos) << settings;
  }
};

TEST_F(TerminalSessions, APersonRunsTheUpdateToItsEnd) {
  TmuxSession session(Command("--step-ms 60"), 80, 24);
  ASSERT_TRUE(session.waitFor({"処理を選択してください", "ケータイアップデート", "終了"})) << session.capture();
  EXPECT_EQ(session.capture().find("端末が小さすぎます"), std::string::npos) << "the pane must be 80 x 24";
  session.sendKeys("Space");
  ASSERT_TRUE(session.waitFor({"ケータイアップデートを開始します", "開始", "戻る"})) << session.capture();
  session.sendKeys("Space");
  ASSERT_TRUE(session.waitFor({"P42RApplication", "[ OK ]", "[ キャンセル ]"})) << session.capture();
  session.sendKeys("Enter");
  ASSERT_TRUE(session.waitFor({"█", "アプリケーションを終了させないで下さい。"})) << session.capture();
  // The animation is drawn in colour half blocks over the placeholder.
  const std::string running = session.capture(true);
  EXPECT_NE(running.find("▀"), std::string::npos);
  EXPECT_NE(running.find("38;5;"), std::string::npos) << "no palette colours on a 256-colour terminal";
  ASSERT_TRUE(session.waitFor({"ケータイアップデートが正常に完了しました。", "戻る"})) << session.capture();
  EXPECT_EQ(session.capture().find("アプリケーションを終了させないで下さい。"), std::string::npos);
  // Back is enabled and has the focus: Space takes it to the start page.
  session.sendKeys("Space");
  ASSERT_TRUE(session.waitFor({"ケータイアップデートを開始します"})) << session.capture();
  session.sendKeys("C-c");
  ExpectUsableTerminal("exit=0");
}

TEST_F(TerminalSessions, ResizingRedrawsForTheNewSize) {
  TmuxSession session(Command("--screen 216"), 80, 24);
  ASSERT_TRUE(session.waitFor({"処理を選択してください"})) << session.capture();
  session.resize(120, 40);
  // On the bigger terminal the buttons are tall enough to be drawn as boxes.
  ASSERT_TRUE(session.waitFor({"┌──", "──┘", "終了"})) << session.capture();
  session.sendKeys("C-q");
  ExpectUsableTerminal("exit=0");
}

TEST_F(TerminalSessions, NoColorDrawsWithoutColoursAndMarksTheFocusInReverse) {
  TmuxSession session("NO_COLOR=1 " + Command("--step-ms 60"), 80, 24);
  ASSERT_TRUE(session.waitFor({"処理を選択してください"})) << session.capture();
  // No foreground or background colour of any kind (30-38, 40-48, 90-97,
  // 100-107, with 38;... and 48;...); 39 and 49 only go back to the default.
  const std::regex colour("\x1b\\[([0-9]+;)*(3[0-8]|4[0-8]|9[0-7]|10[0-7])(;|m)");
  const std::string menu = session.capture(true);
  EXPECT_FALSE(std::regex_search(menu, colour)) << menu;
  EXPECT_TRUE(std::regex_search(menu, std::regex("\x1b\\[([0-9]+;)*7m"))) << "the focus is drawn in reverse video";
  // The animation's pictures too.
  session.sendKeys("Space Space Enter");
  ASSERT_TRUE(session.waitFor({"▀", "アプリケーションを終了させないで下さい。"})) << session.capture();
  const std::string update = session.capture(true);
  EXPECT_FALSE(std::regex_search(update, colour)) << update;
  session.sendKeys("C-q");
  ExpectUsableTerminal("exit=0");
}

TEST_F(TerminalSessions, ASignalEndsTheProgramThroughItsNormalExit) {
  const std::string pidFile = (directory / "pid").string();
  TmuxSession session(Command("--screen 216 --pid-file " + pidFile), 80, 24);
  ASSERT_TRUE(session.waitFor({"処理を選択してください"})) << session.capture();
  const pid_t pid = static_cast<pid_t>(std::stol(ReadFile(pidFile)));
  ASSERT_GT(pid, 0);
  ASSERT_EQ(::kill(pid, SIGTERM), 0);
  ExpectUsableTerminal("exit=0");
}

TEST_F(TerminalSessions, ACrashLeavesTheTerminalUsable) {
  TmuxSession session(Command("--screen 216 --crash-after 800"), 80, 24);
  ASSERT_TRUE(session.waitFor({"処理を選択してください"})) << session.capture();
  // The uncaught exception ends the program with SIGABRT (128 + 6).
  ExpectUsableTerminal("exit=134");
}

}  // namespace
}  // namespace p42r::frontends::tui::testing
