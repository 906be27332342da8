// The real program on a real terminal: p42r with the simulated card under a
// private tmux server, driven the way a person would drive it, from the
// consumer menu through a whole phone update.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "TmuxSession.h"

namespace p42r::frontends::tui::testing {
namespace {

struct ProgramOnTerminal : ::testing::Test {
  std::filesystem::path root;

  void SetUp() override {
    if (!TmuxSession::Available()) GTEST_SKIP() << "tmux is not installed";
    root = std::filesystem::temp_directory_path() / ("p42r-tui-program-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root);
  }
  void TearDown() override { std::filesystem::remove_all(root); }

  // The cells of the progress bar that are filled: the widest run of full
  // blocks on one line.
  static std::size_t FilledBar(const std::string& screen) {
    std::size_t widest = 0;
    std::size_t start = 0;
    while (start < screen.size()) {
      std::size_t end = screen.find('\n', start);
      if (end == std::string::npos) end = screen.size();
      const std::string line = screen.substr(start, end - start);
      std::size_t blocks = 0;
      for (std::size_t at = line.find("█"); at != std::string::npos; at = line.find("█", at + 1)) ++blocks;
      widest = std::max(widest, blocks);
      start = end + 1;
    }
    return widest;
  }
};

TEST_F(ProgramOnTerminal, ARunningUpdateShowsItsProgressAndKeepsBackLockedAndAsksBeforeClosing) {
  const std::string after = (root / "after").string();
  TmuxSession session(std::string(P42R_PROGRAM) + " --sim=update-keep-alive --device-root " + root.string() +
                          "; echo \"exit=$?\" > " + after + "; sleep 30",
                      80, 24);
  ASSERT_TRUE(session.waitFor({"処理を選択してください", "ケータイアップデート", "終了"})) << session.capture();
  session.sendKeys("Space");
  ASSERT_TRUE(session.waitFor({"ケータイアップデートを開始します"})) << session.capture();
  session.sendKeys("Space");
  ASSERT_TRUE(session.waitFor({"[ OK ]", "[ キャンセル ]"})) << session.capture();
  session.sendKeys("Enter");
  // One notice a second at first: the status text and the bar follow them.
  ASSERT_TRUE(session.waitFor({"バージョン確認開始", "アプリケーションを終了させないで下さい。"})) << session.capture();
  const std::size_t early = FilledBar(session.capture());
  ASSERT_TRUE(session.waitFor({"ファイルダウンロード開始"})) << session.capture();
  const std::size_t later = FilledBar(session.capture());
  EXPECT_GT(later, early) << session.capture();
  // The animation's colour cells are on the screen while it runs.
  EXPECT_NE(session.capture(true).find("▀"), std::string::npos);
  // This card takes twelve minutes per download step; meanwhile Space on
  // the disabled Back changes nothing.
  session.sendKeys("Space");
  EXPECT_TRUE(session.waitFor({"ファイルダウンロード開始", "アプリケーションを終了させないで下さい。"}));
  EXPECT_EQ(session.capture().find("Ctrl+C:終了"), std::string::npos) << "closing is not offered while it runs";

  // Ctrl+C asks first; Enter takes the default, "no", and the update runs on.
  session.sendKeys("C-c");
  ASSERT_TRUE(session.waitFor({"それでも終了しますか？", "[ キャンセル ]"})) << session.capture();
  session.sendKeys("Enter");
  ASSERT_TRUE(session.waitFor({"Tab/矢印:移動", "ファイルダウンロード開始"})) << session.capture();
  EXPECT_EQ(session.capture().find("それでも終了しますか？"), std::string::npos) << session.capture();
  EXPECT_FALSE(std::filesystem::exists(after)) << "the program ended";
  // Asked again and answered OK, it ends through its normal close.
  session.sendKeys("C-c");
  ASSERT_TRUE(session.waitFor({"それでも終了しますか？"})) << session.capture();
  session.sendKeys("Left");
  session.sendKeys("Enter");
  ASSERT_TRUE(WaitForFile(after, "exit=")) << session.capture();
  EXPECT_EQ(ReadFile(after), "exit=0\n");
}

TEST_F(ProgramOnTerminal, AFastUpdateEndsWithItsResultAndBackUsable) {
  TmuxSession session(std::string(P42R_PROGRAM) + " --sim=update-fast --device-root " + root.string(), 80, 24);
  ASSERT_TRUE(session.waitFor({"処理を選択してください"})) << session.capture();
  session.sendKeys("Space");
  ASSERT_TRUE(session.waitFor({"ケータイアップデートを開始します"})) << session.capture();
  session.sendKeys("Space");
  ASSERT_TRUE(session.waitFor({"[ OK ]"})) << session.capture();
  session.sendKeys("Enter");
  ASSERT_TRUE(session.waitFor({"ケータイアップデートが正常に完了しました。", "戻る"})) << session.capture();
  EXPECT_EQ(session.capture().find("アプリケーションを終了させないで下さい。"), std::string::npos);
  // Back has the focus: Space goes to the start page, and its Back to the menu.
  session.sendKeys("Space");
  ASSERT_TRUE(session.waitFor({"ケータイアップデートを開始します"})) << session.capture();
  session.sendKeys("Tab");
  session.sendKeys("Space");
  ASSERT_TRUE(session.waitFor({"処理を選択してください"})) << session.capture();
  session.sendKeys("C-c");
}

TEST_F(ProgramOnTerminal, KeysTypedAheadMeetTheScreenTheKeysBeforeThemOpened) {
  TmuxSession session(std::string(P42R_PROGRAM) + " --sim=update-fast --device-root " + root.string(), 80, 24);
  ASSERT_TRUE(session.waitFor({"処理を選択してください"})) << session.capture();
  // Both presses in one write: the first opens the start page, the second
  // presses its Start, which has the focus there.
  session.sendKeys("Space Space");
  ASSERT_TRUE(session.waitFor({"[ OK ]", "[ キャンセル ]"})) << session.capture();
  session.sendKeys("C-c");
}

TEST_F(ProgramOnTerminal, ATerminalTypeItCannotUseEndsTheProgramWithAHint) {
  const std::string after = (root / "after").string();
  TmuxSession session("TERM=no-such-terminal " + std::string(P42R_PROGRAM) + " --sim --device-root " +
                          root.string() + "; echo \"exit=$?\" > " + after + "; sleep 30",
                      80, 24);
  ASSERT_TRUE(WaitForFile(after, "exit=")) << session.capture();
  EXPECT_EQ(ReadFile(after), "exit=1\n");
  EXPECT_TRUE(session.waitFor({"'no-such-terminal' is unknown", "--ui=script"})) << session.capture();
}

}  // namespace
}  // namespace p42r::frontends::tui::testing
