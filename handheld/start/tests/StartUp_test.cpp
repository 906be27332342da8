// The start-up sequence end to end: p42r in script mode on virtual time,
// with the simulated card on a pseudo-terminal behind the real serial port.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "testing/ProgramProcess.h"
#include "testing/TempDirectory.h"

namespace p42r::start {
namespace {

using testing::ProgramProcess;
using Json = ProgramProcess::Json;

struct StartUp : ::testing::Test {
  testing::TempDirectory root;

  std::unique_ptr<ProgramProcess> Run(const std::string& scenario, std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"--ui=script", "--virtual-clock", "--device-root", root.path().string(),
                                          "--sim=" + scenario, "/LOG"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return std::make_unique<ProgramProcess>(P42R_PROGRAM, arguments);
  }

  // The log's lines without their timestamps.
  std::vector<std::string> LogLines() const {
    std::ifstream file(root.path() / "Program Files" / "P42R" / "p42r_softup.log", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < text.size();) {
      const std::size_t end = text.find("\r\n", start);
      std::string line = text.substr(start, end - start);
      if (line.size() > 21 && line[0] == '(' && line[20] == ')') line = line.substr(21);
      lines.push_back(line);
      if (end == std::string::npos) break;
      start = end + 2;
    }
    return lines;
  }

  static std::size_t Count(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
  }

  static const Json* Control(const Json& dump, int id) {
    for (const auto& control : dump["controls"]) {
      if (control["id"] == id) return &control;
    }
    return nullptr;
  }

  // Waits (watching) until control `id` shows `text`. The start screen runs
  // on from the first moment, so the text may be there before watching began.
  static bool AwaitText(ProgramProcess& program, int id, const std::string& text) {
    const auto dump = program.command("dump");
    if (!dump) return false;
    if (const Json* control = Control(*dump, id); control != nullptr && (*control)["text"] == text) return true;
    return program
        .nextMatching([&](const Json& v) {
          return v.value("event", "") == "control" && v["id"] == id && v["property"] == "text" && v["value"] == text;
        })
        .has_value();
  }
};

const std::string kWritingText = "ソフトウェアアップデート中です。\r\nしばらくお待ちください。";

TEST_F(StartUp, ANormalCardIsIdentifiedAndTheConsumerMenuShownWithThePortOpen) {
  auto program = Run("normal");
  const auto reached = program->command("wait screen 15 5000");
  ASSERT_TRUE(reached) << program->standardError();
  ASSERT_EQ((*reached)["reply"], "ok") << program->standardError();
  const auto dump = program->command("dump");
  EXPECT_EQ((*dump)["class"], "ClsConsumerMain");
  EXPECT_EQ((*Control(*dump, 1075))["text"], "処理を選択してください");
  EXPECT_EQ((*Control(*dump, 1073))["focused"], true);
  program->command("click 1074");
  ASSERT_TRUE(program->nextEvent("exit"));
  EXPECT_EQ(program->wait(), 0);

  const std::vector<std::string> expected = {std::string(61, '/'), "Start", "AuthorityCheckFinish", "OSVersionGet",
                                             "OSCheckFinish", "OpenRegistry", "COMPortGet", "COM1", "Before Open",
                                             "After Open", "Thread in", "Write::ATE0", "Read::OK", "Before Open",
                                             "Write::AT+GMI", "Read::Halvorn.Corp", "Read::OK"};
  const auto lines = LogLines();
  ASSERT_GE(lines.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(expected.size())),
            expected);
  // The candidate's name is written without a timestamp.
  std::ifstream file(root.path() / "Program Files" / "P42R" / "p42r_softup.log", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(")COMPortGet\r\nCOM1\r\n("), std::string::npos);
}

TEST_F(StartUp, ASilentCardGetsEchoOffTwiceFiveSecondsApartThenThePortClosesAndTheProgramEnds) {
  auto program = Run("silent");
  ASSERT_TRUE(program->nextEvent("title"));
  // The screen waits 200 ms after starting its reader, then sends ATE0 under a 5000 ms watchdog.
  EXPECT_EQ((*program->command("advance 4999"))["reply"], "ok");
  EXPECT_EQ(Count(LogLines(), "Write::ATE0"), 1u);
  EXPECT_EQ((*program->command("advance 1"))["reply"], "ok");
  EXPECT_EQ(Count(LogLines(), "Write::ATE0"), 2u);
  EXPECT_EQ(Count(LogLines(), "OnTimer AT_2"), 1u);
  program->send("advance 5000");
  const auto box = program->nextEvent("msgbox");
  ASSERT_TRUE(box);
  EXPECT_EQ((*box)["text"], "通信デバイスが存在しないか、または検出されませんでした。処理を中断します。");
  const auto lines = LogLines();
  EXPECT_EQ(Count(lines, "OnTimer normal_end"), 1u);
  EXPECT_EQ(Count(lines, "Write::ATE0"), 2u);
  program->command("answer ok");
  ASSERT_TRUE(program->nextEvent("exit"));
  EXPECT_EQ(program->wait(), 8);
  EXPECT_NE(program->standardError().find("(scenario 'silent') did not answer"), std::string::npos);
}

TEST_F(StartUp, AnotherMakerOrAMakerAnswerOverTwoLinesIsNotTheCard) {
  for (const std::string scenario : {"other-maker", "maker-two-lines"}) {
    testing::TempDirectory fresh;
    ProgramProcess program(P42R_PROGRAM, {"--ui=script", "--virtual-clock", "--device-root", fresh.path().string(),
                                          "--sim=" + scenario});
    const auto box = program.nextEvent("msgbox");
    ASSERT_TRUE(box) << scenario;
    EXPECT_EQ((*box)["text"], "通信デバイスが存在しないか、または検出されませんでした。処理を中断します。") << scenario;
    program.command("answer ok");
    EXPECT_TRUE(program.nextEvent("exit")) << scenario;
    EXPECT_EQ(program.wait(), 8) << scenario;
  }
}

TEST_F(StartUp, AnUnsupportedSystemIsRefused) {
  auto program = Run("normal", {"--os-version=5.0"});
  const auto box = program->nextEvent("msgbox");
  ASSERT_TRUE(box);
  EXPECT_EQ((*box)["text"], "サポート対象外のシステムです。");
  program->command("answer ok");
  EXPECT_TRUE(program->nextEvent("exit"));
  EXPECT_EQ(program->wait(), 0);
  EXPECT_EQ(Count(LogLines(), "OSVersionFail"), 1u);
}

TEST_F(StartUp, AnUpdateStillRunningAtStartIsWaitedForAndItsEndShown) {
  auto program = Run("writing-at-start");
  program->command("watch on");
  // The card tells of its writing when asked: the status text says so.
  ASSERT_TRUE(AwaitText(*program, 1089, kWritingText));
  // The card finishes after a while; then the result shows for 2000 ms.
  program->send("advance 600000");
  const auto done = program->nextMatching(
      [](const Json& v) { return v.value("event", "") == "control" && v["id"] == 1089; });
  ASSERT_TRUE(done);
  EXPECT_EQ((*done)["value"], "ケータイアップデートが正常に完了しました。");
  ASSERT_TRUE(program->nextMatching([](const Json& v) { return v.value("event", "") == "screen" && v["screen"] == 15; }));
  program->command("close");
  EXPECT_TRUE(program->nextEvent("exit"));
  EXPECT_EQ(program->wait(), 0);
}

TEST_F(StartUp, AnUpdateAtStartThatEndsWithAnUnlistedReasonEndsTheProgram) {
  auto program = Run("writing-at-start-unlisted");
  program->command("watch on");
  // Time may only pass once the card has said it is writing.
  ASSERT_TRUE(AwaitText(*program, 1089, kWritingText));
  program->send("advance 600000");
  const auto box = program->nextEvent("msgbox");
  ASSERT_TRUE(box);
  EXPECT_EQ((*box)["text"], "ポート状態エラー(011  001)");
  program->command("answer ok");
  EXPECT_TRUE(program->nextEvent("exit"));
  EXPECT_EQ(program->wait(), 0);
}

TEST_F(StartUp, TheGeneralEntryLeadsToTheGeneralMenu) {
  auto program = Run("normal", {"--entry=general"});
  const auto reached = program->command("wait screen 5 5000");
  ASSERT_EQ((*reached)["reply"], "ok");
  const auto dump = program->command("dump");
  EXPECT_EQ((*Control(*dump, 1016))["visible"], false);
  EXPECT_EQ((*Control(*dump, 1017))["visible"], true);
  EXPECT_EQ((*Control(*dump, 1017))["focused"], true) << "the first usable button has the focus: Space works at once";
  program->command("close");
  EXPECT_EQ(program->wait(), 0);
}

TEST_F(StartUp, TheAdministratorEntryAuthenticatesChangesThePasswordAndReachesItsMenu) {
  auto program = Run("normal", {"--entry=admin-connection"});
  ASSERT_EQ((*program->command("wait screen 2 5000"))["reply"], "ok");
  const auto answerBox = [&](const std::string& text) {
    const auto box = program->command("wait msgbox 5000");
    ASSERT_TRUE(box);
    EXPECT_EQ((*box)["msgbox"]["text"], text);
    EXPECT_EQ((*program->command("answer ok"))["reply"], "ok");
  };
  program->command("type 1000 wrong");
  program->command("click 1001");
  answerBox("パスワードが違います。");
  program->command("type 1000 j72n");
  program->command("click 1001");
  ASSERT_EQ((*program->command("wait screen 4 5000"))["reply"], "ok");
  program->command("type 1011 abc12");
  program->command("type 1012 abc12");
  program->command("click 1014");
  answerBox("パスワードを変更しました。");
  ASSERT_EQ((*program->command("wait screen 6 5000"))["reply"], "ok");
  program->command("close");
  EXPECT_EQ(program->wait(), 0);

  std::ifstream file(root.path() / "Program Files" / "P42R" / "mng2dat.ini", std::ios::binary);
  const std::string content((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  // "abc12" scrambled with the key, position by position; the unused
  // positions keep the key's own characters.
  EXPECT_EQ(content, "[DATA3]\r\nTAG =Y6(fcPVHJ6\r\n[LOCK_STATUS]\r\nSTATUS =OK\r\n[BOOT]\r\nFIRST_BOOT =0\r\n");
}

// A host serial device given with --port: here a pseudo-terminal whose other
// side this test plays as the card, through the real serial stand-in.
TEST_F(StartUp, AHostSerialDeviceGivenWithPortIsUsedAsTheCardsPort) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string slave = ::ptsname(master);
  std::atomic<bool> stop{false};
  std::string heard;
  std::thread card([&] {
    std::string pending;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!stop && std::chrono::steady_clock::now() < deadline) {
      pollfd fd{master, POLLIN, 0};
      if (::poll(&fd, 1, 50) <= 0 || !(fd.revents & POLLIN)) continue;
      char chunk[256];
      const ssize_t count = ::read(master, chunk, sizeof chunk);
      if (count <= 0) continue;
      pending.append(chunk, static_cast<std::size_t>(count));
      heard.append(chunk, static_cast<std::size_t>(count));
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
        const std::string command = pending.substr(0, pending.find('\r'));
        const std::string reply = command.find("AT+GMI") != std::string::npos ? "\r\nHalvorn.Corp\r\n\r\nOK\r\n"
                                                                               : "\r\nOK\r\n";
        [[maybe_unused]] const auto written = ::write(master, reply.data(), reply.size());
      }
    }
  });
  ProgramProcess program(P42R_PROGRAM, {"--ui=script", "--device-root", root.path().string(), "--port", slave});
  const auto reached = program.command("wait screen 15 8000");
  stop = true;
  card.join();
  ::close(master);
  ASSERT_TRUE(reached) << program.standardError();
  EXPECT_EQ((*reached)["reply"], "ok") << program.standardError();
  EXPECT_NE(heard.find(std::string("ATE0\r\n\0", 7)), std::string::npos) << "each command ends in CR LF and a NUL";
  program.command("close");
  EXPECT_EQ(program.wait(), 0);
}

}  // namespace
}  // namespace p42r::start
