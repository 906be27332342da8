// The program in script mode, run as a child process the way a driving
// program would run it.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include <fstream>
#include <future>
#include <thread>

#include "frontends/script/LineReader.h"
#include "testing/ProgramProcess.h"
#include "testing/TempDirectory.h"

// GCC and clang each say in their own way that ThreadSanitizer is on.
#if defined(__SANITIZE_THREAD__)
#define P42R_UNDER_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define P42R_UNDER_THREAD_SANITIZER 1
#endif
#endif
#ifndef P42R_UNDER_THREAD_SANITIZER
#define P42R_UNDER_THREAD_SANITIZER 0
#endif

namespace p42r::frontends {
namespace {

using testing::ProgramProcess;
using Json = ProgramProcess::Json;

struct ScriptSession : ::testing::Test {
  testing::TempDirectory root;

  // A card that answers nothing, on virtual time: the program stays on the
  // start screen until the script moves the clock.
  std::unique_ptr<ProgramProcess> Start(std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"--ui=script", "--device-root", root.path().string(), "--sim=silent",
                                          "--virtual-clock"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return std::make_unique<ProgramProcess>(P42R_PROGRAM, arguments);
  }

  static const Json* FindControl(const Json& dump, int id) {
    for (const auto& control : dump["controls"]) {
      if (control["id"] == id) return &control;
    }
    return nullptr;
  }

  std::string Log() const {
    std::ifstream file(root.path() / "Program Files" / "P42R" / "p42r_softup.log", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
};

TEST_F(ScriptSession, StartsOnScreenOneAndClosesWithExitCodeZero) {
  auto program = Start();
  const auto screen = program->nextMatching([](const Json& v) { return v.value("event", "") == "screen" && v["screen"] == 1; });
  ASSERT_TRUE(screen) << program->standardError();
  EXPECT_EQ((*screen)["class"], "ClsStart");

  const auto dump = program->command("dump");
  ASSERT_TRUE(dump);
  EXPECT_EQ((*dump)["reply"], "ok");
  EXPECT_EQ((*dump)["screen"], 1);
  EXPECT_EQ((*dump)["title"], "ケータイアップデート");
  const Json* version = FindControl(*dump, 1003);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ((*version)["text"], "Version 1.0.0");
  EXPECT_EQ((*version)["visible"], true);
  const Json* picture = FindControl(*dump, 1077);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ((*picture)["visible"], false);

  const auto closed = program->command("close");
  ASSERT_TRUE(closed);
  EXPECT_EQ((*closed)["reply"], "ok");
  const auto exit = program->nextEvent("exit");
  ASSERT_TRUE(exit);
  EXPECT_EQ((*exit)["code"], 0);
  EXPECT_EQ(program->wait(), 0);
  EXPECT_FALSE(program->next(std::chrono::milliseconds(200))) << "nothing after the exit event";
}

TEST_F(ScriptSession, ASecondCopyOnTheSameDeviceRootEndsAtOnceAndSilently) {
  auto first = Start();
  ASSERT_TRUE(first->nextEvent("title"));
  auto second = Start();
  EXPECT_EQ(second->wait(), 3);
  EXPECT_FALSE(second->next(std::chrono::milliseconds(100)));
  EXPECT_TRUE(second->lines().empty());
  EXPECT_EQ(second->standardError(), "");
  const auto dump = first->command("dump");
  ASSERT_TRUE(dump);
  EXPECT_EQ((*dump)["screen"], 1) << "the first copy goes on untouched";
  first->command("close");
  EXPECT_EQ(first->wait(), 0);
}

TEST_F(ScriptSession, EachStartWithLogAppendsOneSeparatorLine) {
  const std::string separator = std::string(61, '/') + "\r\n";
  const auto countSeparators = [&](const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, at + 1)) ++count;
    return count;
  };
  for (int run = 0; run < 2; ++run) {
    auto program = Start({"/X", "/LOG"});
    ASSERT_TRUE(program->nextEvent("title"));
    program->command("close");
    ASSERT_EQ(program->wait(), 0);
  }
  const std::string logged = Log();
  EXPECT_EQ(countSeparators(logged), 2u);
  EXPECT_EQ(logged.substr(0, separator.size()), separator);
  for (const std::string option : {"/log", "/LOGX"}) {
    auto program = Start({option});
    ASSERT_TRUE(program->nextEvent("title"));
    program->command("close");
    ASSERT_EQ(program->wait(), 0);
  }
  EXPECT_EQ(Log(), logged) << "neither /log nor /LOGX switches logging on";
}

TEST_F(ScriptSession, InputThatIsNoCommandOrCannotApplyGetsAnErrorAndChangesNothing) {
  auto program = Start();
  ASSERT_TRUE(program->nextEvent("title"));
  // Each is refused at once: none waits for its deadline.
  const auto expectError = [&](const std::string& line, const std::string& message) {
    const auto reply = program->command(line, std::chrono::milliseconds(2000));
    ASSERT_TRUE(reply) << line;
    EXPECT_EQ((*reply)["reply"], "error") << line;
    EXPECT_EQ((*reply)["message"], message) << line;
  };
  expectError("launch rockets", "unknown command: launch rockets");
  expectError("click 1077", "control 1077 is hidden");
  expectError("click 4242", "no control 4242 on this screen");
  expectError("click 1003", "control 1003 is not a button");
  expectError("type 1003 hello", "control 1003 is not an edit field");
  expectError("click x", "click takes a control id");
  expectError("click", "click takes a control id");
  expectError("answer", "answer takes ok or cancel");
  expectError("wait screen 16", "wait screen takes a screen number from 0 to 15");
  expectError("wait screen -1", "wait screen takes a screen number from 0 to 15");
  expectError("answer ok", "no message box is open");
  expectError("wait screen 15 50", "timed out");
  const auto dump = program->command("dump");
  ASSERT_TRUE(dump);
  EXPECT_EQ((*dump)["screen"], 1);
  program->command("close");
  EXPECT_EQ(program->wait(), 0);
}

TEST_F(ScriptSession, TheEndOfInputIsTheCloseRequest) {
  auto program = Start();
  ASSERT_TRUE(program->nextEvent("title"));
  program->send("dump");
  program->closeInput();
  ASSERT_TRUE(program->nextMatching([](const Json& v) { return v.contains("reply"); }));
  const auto exit = program->nextEvent("exit");
  ASSERT_TRUE(exit);
  EXPECT_EQ(program->wait(), 0);
  for (const auto& line : program->skipped()) EXPECT_FALSE(line.contains("reply")) << line.dump();
}

TEST_F(ScriptSession, WithoutACardTheStartScreenSaysSoAndTheProgramEnds) {
  ProgramProcess program(P42R_PROGRAM, {"--ui=script", "--device-root", root.path().string()});
  const auto box = program.nextEvent("msgbox");
  ASSERT_TRUE(box) << program.standardError();
  EXPECT_EQ((*box)["text"], "通信デバイスが存在しないか、または検出されませんでした。処理を中断します。");
  EXPECT_EQ((*box)["caption"], "P42RApplication");
  EXPECT_EQ((*box)["buttons"], "ok");
  const auto dump = program.command("dump");
  ASSERT_TRUE(dump);
  EXPECT_EQ((*dump)["screen"], 1);
  EXPECT_EQ((*dump)["msgbox"]["buttons"], "ok");
  EXPECT_EQ((*program.command("advance 100"))["message"], "advance needs the virtual clock (--virtual-clock)");
  EXPECT_EQ((*program.command("answer ok"))["reply"], "ok");
  const auto exit = program.nextEvent("exit");
  ASSERT_TRUE(exit);
  EXPECT_EQ((*exit)["code"], 8);
  EXPECT_EQ(program.wait(), 8) << "no card found has an exit code of its own";
  EXPECT_EQ(program.standardError(),
            "p42r: no card found: give the card's serial port with --port DEVICE, or try the simulated card with --sim\n");
}

// A signal is the close request: the program ends through its normal exit,
// and the throw-away device root of --sim (made in TMPDIR) goes with it.
TEST_F(ScriptSession, ASignalClosesTheProgramNormallyAndTheThrowAwayRootGoes) {
  const char* before = std::getenv("TMPDIR");
  const std::string saved = before != nullptr ? before : "";
  ::setenv("TMPDIR", root.path().c_str(), 1);
  for (const int signal : {SIGHUP, SIGTERM, SIGINT}) {
    ProgramProcess program(P42R_PROGRAM, {"--ui=script", "--sim=silent", "--virtual-clock"});
    ASSERT_TRUE(program.command("dump")) << signal;
    ASSERT_FALSE(std::filesystem::is_empty(root.path())) << "no throw-away root was made";
    ASSERT_EQ(::kill(program.pid(), signal), 0);
    const auto exit = program.nextEvent("exit");
    EXPECT_TRUE(exit) << "no normal end after signal " << signal;
    EXPECT_EQ(program.wait(), 0) << signal;
    EXPECT_TRUE(std::filesystem::is_empty(root.path())) << "the throw-away root is left after signal " << signal;
  }
#if !P42R_UNDER_THREAD_SANITIZER
  // The signal the moment the root appears, long before any screen exists.
  // (Under ThreadSanitizer a signal that early ends the process by its
  // default action: the runtime defers signals to points of its own.)
  const int watch = ::inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, root.path().c_str(), IN_CREATE), 0);
  {
    ProgramProcess program(P42R_PROGRAM, {"--ui=script", "--sim=silent", "--virtual-clock"});
    pollfd created{watch, POLLIN, 0};
    ASSERT_EQ(::poll(&created, 1, 30000), 1) << "no throw-away root was made";
    ASSERT_EQ(::kill(program.pid(), SIGTERM), 0);
    EXPECT_EQ(program.wait(), 0) << "no normal end after an early signal";
    EXPECT_TRUE(std::filesystem::is_empty(root.path())) << "the throw-away root is left after an early signal";
  }
  ::close(watch);
#endif
  before != nullptr ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
}

TEST_F(ScriptSession, TheAboutCommandOpensTheAboutBox) {
  auto program = Start();
  ASSERT_TRUE(program->nextEvent("title"));
  ASSERT_EQ((*program->command("command 57664"))["reply"], "ok");
  const auto dialog = program->nextEvent("dialog");
  ASSERT_TRUE(dialog);
  EXPECT_EQ((*dialog)["template"], 100);
  const auto dump = program->command("dump");
  EXPECT_EQ((*dump)["dialog"]["template"], 100);
  EXPECT_EQ((*program->command("answer ok"))["reply"], "ok");
  ASSERT_TRUE(program->nextEvent("dialog-closed"));
  program->command("close");
  EXPECT_EQ(program->wait(), 0);
}

TEST(ScriptCommandLine, UsageErrorsAndAMissingDeviceRootHaveTheirOwnExitCodes) {
  {
    ProgramProcess program(P42R_PROGRAM, {"--no-such-option"});
    EXPECT_EQ(program.wait(), 2);
    EXPECT_NE(program.standardError().find("unknown option --no-such-option"), std::string::npos);
  }
  {
    ProgramProcess program(P42R_PROGRAM, {"--ui=script", "--device-root", "/nonexistent/p42r/root"});
    EXPECT_EQ(program.wait(), 4);
    EXPECT_TRUE(program.lines().empty());
    EXPECT_NE(program.standardError().find("does not exist"), std::string::npos);
  }
  {
    ProgramProcess program(P42R_PROGRAM, {"--help"});
    EXPECT_EQ(program.wait(), 0);
  }
  {
    ProgramProcess program(P42R_PROGRAM, {"--list-scenarios"});
    while (program.next()) {
      // Only the raw lines matter: they are plain text, not protocol.
    }
    EXPECT_EQ(program.wait(), 0);
    const auto& lines = program.lines();
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.rfind("update-fast ", 0) == 0 && line.find("200 ms") != std::string::npos;
    })) << "every built-in scenario is listed with what it does";
  }
}

// A line far past the limit is refused once, as it arrives; the lines around it stay.
TEST(LineReaderLimit, ATenMebibyteLineIsRefusedAndTheNextLineStillRead) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  std::vector<std::optional<std::string>> lines;
  std::promise<void> ended;
  LineReader reader(pipeFds[0], [&](std::optional<std::string> line) { lines.push_back(std::move(line)); },
                    [&] { ended.set_value(); });
  reader.start();
  std::thread writer([&] {
    const std::string flood(10 * 1024 * 1024, 'x');
    const std::string input = "before\n" + flood + "\nafter\r\n";
    for (std::size_t sent = 0; sent < input.size();) {
      const ssize_t count = ::write(pipeFds[1], input.data() + sent, input.size() - sent);
      if (count <= 0) break;
      sent += static_cast<std::size_t>(count);
    }
    ::close(pipeFds[1]);
  });
  ASSERT_EQ(ended.get_future().wait_for(std::chrono::seconds(20)), std::future_status::ready);
  writer.join();
  reader.stop();
  ::close(pipeFds[0]);
  EXPECT_EQ(lines, (std::vector<std::optional<std::string>>{"before", std::nullopt, "after"}));
}

}  // namespace
}  // namespace p42r::frontends
