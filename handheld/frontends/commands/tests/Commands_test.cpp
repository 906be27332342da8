// Each command run as a person's shell would, against the simulated card:
// its exit code, its JSON (or text) on standard output and what it says on
// standard error. Long waits pass on the virtual clock.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "frontends/commands/MetricsFile.h"
#include "frontends/commands/PasswordInput.h"
#include "frontends/commands/TerminalSafe.h"
#include "frontends/commands/VirtualTimePacer.h"
#include "platform/EventLoop.h"
#include "platform/Settling.h"
#include "testing/ProgramProcess.h"
#include "testing/TempDirectory.h"

namespace p42r::frontends {
namespace {

using testing::ProgramProcess;
using Json = ProgramProcess::Json;

struct Finished {
  int exitCode = -1;
  std::vector<std::string> lines;  // standard output
  std::string errors;              // standard error
};

Finished RunP42r(const std::vector<std::string>& arguments, const std::string& input = {}) {
  ProgramProcess program(P42R_PROGRAM, arguments);
  if (!input.empty()) program.send(input);
  program.closeInput();
  while (program.next(std::chrono::seconds(30))) {
  }
  Finished run;
  run.exitCode = program.wait().value_or(-1);
  run.lines = program.lines();
  run.errors = program.standardError();
  return run;
}

// A scenario file: the card answers everything but `command`.
std::string SilentOn(const testing::TempDirectory& directory, const std::string& command) {
  const auto path = directory.path() / ("silent-" + std::to_string(std::hash<std::string>{}(command)) + ".json");
  std::ofstream(path) << R"({"name": "silent-on", "silentFrom": ")" << command << R"("})";
  return path.string();
}

struct Case {
  std::vector<std::string> arguments;
  int exitCode;
  Json expected = {};       // fields the last output line must hold (with --json)
  std::string text = {};    // or: a part of standard output (without --json)
  std::string errors = {};  // a part of standard error
  std::string input = {};   // standard input: the passwords, one per line
};

// Every command runs on the virtual clock, so the screens' own waits and
// time-outs pass at once; the real clock is left to the tests below that
// watch a running program.
// Cases on throw-away device roots share nothing and run a few at a time:
// their programs spend the time waiting for quiet, not on the processor.
// Cases on one device root run in turn, each seeing what the last one left.
enum class Order { SideBySide, InTurn };

std::vector<Finished> RunAll(const std::vector<Case>& cases, Order order) {
  std::vector<Finished> runs(cases.size());
  std::atomic<std::size_t> next{0};
  const auto work = [&cases, &runs, &next] {
    for (std::size_t i = next++; i < cases.size(); i = next++) {
      std::vector<std::string> arguments = cases[i].arguments;
      if (arguments.front() != "--ui=script") arguments.push_back("--virtual-clock");
      try {
        runs[i] = RunP42r(arguments, cases[i].input);
      } catch (const std::exception& failure) {
        runs[i].errors = failure.what();
      }
    }
  };
  std::vector<std::thread> workers;
  for (int w = 0; w < (order == Order::SideBySide ? 4 : 1); ++w) workers.emplace_back(work);
  for (std::thread& worker : workers) worker.join();
  return runs;
}

void RunCases(const std::vector<Case>& cases, Order order = Order::SideBySide) {
  const std::vector<Finished> runs = RunAll(cases, order);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    const Finished& run = runs[i];
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    EXPECT_EQ(run.exitCode, c.exitCode) << run.errors;
    std::string output;
    for (const auto& line : run.lines) output += line + "\n";
    if (c.exitCode == 2 && c.arguments.front() == "--ui=script") {
      EXPECT_EQ(output, "") << "no screen was shown";
    }
    if (!c.expected.empty()) {
      ASSERT_FALSE(run.lines.empty()) << run.errors;
      Json result = Json::parse(run.lines.back(), nullptr, false);
      EXPECT_EQ(result["ok"], c.exitCode == 0) << run.lines.back();
      for (const auto& [key, value] : c.expected.items()) EXPECT_EQ(result[key], value) << key;
    }
    if (!c.text.empty()) {
      EXPECT_NE(output.find(c.text), std::string::npos) << output;
    }
    if (!c.errors.empty()) {
      EXPECT_NE(run.errors.find(c.errors), std::string::npos) << run.errors;
    }
  }
}

TEST(Commands, EachCommandAgainstTheSimulatedCard) {
  testing::TempDirectory files;
  const std::string silentState = "--sim=" + SilentOn(files, "AT@HYBRRSSI?");
  const std::string silentLed = "--sim=" + SilentOn(files, "AT@LEDSET=");
  const std::string silentApps = "--sim=" + SilentOn(files, "AT&OP=APP?");
  RunCases({
      // info: identification as the start-up does it.
      {{"info", "--sim", "--json"}, 0, {{"result", "ok"}, {"port", "COM1"}, {"maker", "Halvorn.Corp"}, {"updateWasRunning", false}}},
      {{"info", "--sim"}, 0, {}, "maker Halvorn.Corp"},
      {{"info", "--sim=other-maker", "--json"}, 8, {{"result", "no-card"}, {"exitCode", 8}}},
      {{"info", "--sim=silent"}, 8, {}, "", "no card found"},
      {{"info", "--sim=writing-at-start", "--json"}, 0,
       {{"updateWasRunning", true}, {"updateResult", "ケータイアップデートが正常に完了しました。"}}},
      {{"info", "--sim=writing-at-start-fails", "--json"}, 9, {{"result", "refused"}}},
      // signal: the communication state screen.
      {{"signal", "--sim", "--json"}, 0, {{"level", 3}, {"network", "CDMA 1X WIN"}}},
      {{"signal", "--sim"}, 0, {}, "level 3/4, CDMA 1X WIN"},
      {{"signal", "--sim=status-refused", "--json"}, 9, {{"message", "通信状態を取得できませんでした。"}}},
      {{"signal", "--sim=status-malformed", "--json"}, 9, {{"message", "ポート読み込みエラー(011  008)"}}},
      {{"signal", silentState, "--json"}, 11, {{"result", "timed-out"}}},
      // led: the LED setting screen.
      {{"led", "off", "--sim", "--json"}, 0, {{"led", "off"}, {"message", "LED表示状態を変更しました。"}}},
      {{"led", "on", "--sim=status-refused"}, 9, {}, "", "ポート読み込みエラー(011  009)"},
      {{"led", "on", silentLed, "--json"}, 11, {{"result", "timed-out"}}},
      // apps: the application list.
      {{"apps", "--sim=applications-full", "--json"}, 0,
       {{"applications", Json::parse(R"([{"name":"Music","running":false},{"name":"Camera","running":false},
          {"name":"ニュース","running":false},{"name":"Weather","running":false},{"name":"Mail","running":false},
          {"name":"Navigator","running":true}])")}}},
      {{"apps", "stop", "Navigator", "--sim=applications-full", "--json"}, 0, {{"message", "Navigatorを終了しました。"}}},
      {{"apps", "start", "Music", "--sim=applications-full"}, 9, {}, "", "Musicを起動できませんでした。"},
      {{"apps", "start", "Nobody", "--sim=applications-full"}, 2, {}, "", "no application named 'Nobody'"},
      {{"apps", "--sim=applications-refused", "--json"}, 9, {{"message", "アプリのステータスを取得できませんでした。"}}},
      {{"apps", silentApps, "--json"}, 11, {{"result", "timed-out"}}},
      // A bad command line ends before any screen, naming what is wrong.
      {{"--ui=script", "--sim=no-such-scenario"}, 2, {}, "", "--sim=no-such-scenario"},
      {{"--ui=script", "--sim", "-x"}, 2, {}, "", "unknown option -x"},
      {{"--ui=script", "--sim", "--port"}, 2, {}, "", "--port"},
  });
}

TEST(Commands, UpdateEndsAsTheCardEndsIt) {
  RunCases({
      {{"update", "--yes", "--sim=update-fast"}, 0, {}, "update completed: ケータイアップデートが正常に完了しました。",
       "[##########----------] 50% ファイルダウンロード完了"},
      {{"update", "--yes", "--sim=update-not-needed", "--json"}, 0, {{"update", "not-needed"}}},
      {{"update", "--yes", "--sim=update-download-fails", "--json"}, 9,
       {{"update", "failed"}, {"message", "ケータイアップデートに失敗しました。(FDLNG)"}}},
      {{"update", "--yes", "--sim=update-no-carrier", "--json"}, 9, {{"result", "refused"}}},
      {{"update", "--yes", "--sim=update-app-running", "--json"}, 9, {{"result", "refused"}}},
      {{"update", "--yes", "--sim=update-unlisted-reason", "--json"}, 9, {{"result", "refused"}}},
      {{"update", "--yes", "--sim=update-raw-line", "--json"}, 9, {{"result", "refused"}}},
      {{"update", "--yes", "--sim=update-silent", "--json"}, 11, {{"update", "no-reply"}}},
      {{"update", "--yes", "--sim=update-hangs", "--json"}, 11, {{"result", "timed-out"}}},
      {{"update", "--yes", "--sim=update-keep-alive", "--json"}, 0, {{"update", "completed"}}},
      {{"update", "--yes", "--sim=update-unplugged", "--json"}, 10, {{"result", "removed"}}},
      {{"update", "--yes", "--sim=unplug-on-update", "--json"}, 10, {{"result", "removed"}}},
      {{"update", "--sim"}, 2, {}, "", "run on a terminal or give --yes"},
  });
}

// The administrator commands on one device root, in order: its management
// file carries the password from one run to the next.
TEST(Commands, AdministratorCommandsPassThePasswordScreen) {
  testing::TempDirectory root;
  const auto command = [&root](std::vector<std::string> words, std::string scenario = "--sim") {
    for (const std::string& extra : {scenario, std::string("--json"), std::string("--password-fd"), std::string("0"),
                                    std::string("--device-root"), root.path().string()}) {
      words.push_back(extra);
    }
    return words;
  };
  const std::string password = "Secret12\n";
  const std::string nineWrong = "w1\nw2\nw3\nw4\nw5\nw6\nw7\nw8\nw9\n";
  RunCases({
      // The first use: the common password, then one of the administrator's own.
      {command({"domains"}), 12, {{"message", "the common password must be changed first: give the new one twice"}},
       "", "", "j72n\n"},
      {command({"domains"}), 0, {{"domains", Json::parse(R"([{"slot":1,"domain":null},{"slot":2,"domain":null},
          {"slot":3,"domain":null}])")}}, "", "", "j72n\nSecret12\nSecret12\n"},
      {command({"domains"}), 12, {{"result", "access-denied"}, {"message", "パスワードが違います。"}}, "", "", "j72n\n"},
      // A wrong password is followed by the next line, as a person tries again.
      {command({"connection-result"}, "--sim=domains-registered"), 0,
       {{"connectionResult", 1}, {"message", "ダイヤルアップ接続に成功しました。"}}, "", "", "wrong\n" + password},
      {command({"connection-result"}, "--sim=status-refused"), 9, {{"message", "接続結果を取得できませんでした。"}},
       "", "", password},
      {command({"domains", "add", "new.example.org"}), 0,
       {{"message", "new.example.orgを登録しました。"}, {"domains", Json::parse(R"([{"slot":1,"domain":"new.example.org"},
          {"slot":2,"domain":null},{"slot":3,"domain":null}])")}}, "", "", password},
      {command({"domains", "set", "2", "b.example.org"}, "--sim=domains-registered"), 0,
       {{"message", "b.example.orgを登録しました。"}}, "", "", password},
      {command({"domains", "delete", "1"}, "--sim=domains-registered"), 0, {{"message", "example.co.jpを削除しました。"}},
       "", "", password},
      {command({"domains", "add", "another.example.org"}, "--sim=domains-registered"), 2,
       {{"message", "every slot is in use: set or delete one"}}, "", "", password},
      {command({"domains", "add", "bad_domain"}), 2, {{"message", "ドメイン名に指定できない文字が入力されました。"}},
       "", "", password},
      {command({"domains"}, "--sim=domain-read-refused"), 9, {{"message", "登録内容を取得できませんでした。"}}, "", "",
       password},
      {command({"register-id", "ABC123"}), 0, {{"message", "ABC123を登録しました。"}}, "", "", password},
      {command({"register-id", "ABC123"}, "--sim=status-refused"), 9, {{"message", "ABC123を登録できませんでした。"}},
       "", "", password},
      // Nine failures leave the screen open; the tenth locks it, as on the screen.
      {command({"domains"}), 0, {{"result", "ok"}}, "", "", nineWrong + password},
      {command({"domains"}), 12, {{"message", "認証失敗によりパスワードがロックされました。認証ロック解除を実行してください。"}},
       "", "", nineWrong + "w10\n" + password},
      // The lock holds in the next run: no password is read, until the unlock code releases it.
      {command({"domains"}), 12, {{"message", "the administrator password is locked after ten wrong ones; release the "
                                   "lock with the unlock code on the program's lock release screen (p42r, "
                                   "administrator menu)"}}, "", "", password},
      {{"--ui=script", "--sim", "--entry=admin-connection", "--device-root", root.path().string()}, 0, {},
       R"("screen":3,"class":"ClsUnlock"})", "",
       "wait screen 3\ntype 1005 1993r58kxm\nclick 1006\nwait msgbox\nanswer ok\nwait screen 2\nclose\n"},
      {command({"domains"}), 0, {{"result", "ok"}}, "", "", "j72n\n"},
      // No password on the command line, and none without a terminal or --password-fd.
      {{"domains", "--sim", "--json", "--device-root", root.path().string()}, 12, {{"result", "access-denied"}}},
      // A descriptor not open at the start, and a line longer than any password, are refused.
      {{"domains", "--sim", "--password-fd", "999", "--device-root", root.path().string()}, 2, {}, "",
       "--password-fd 999: descriptor 999 is not open"},
      {command({"domains"}), 12, {{"result", "access-denied"}}, "", "", std::string(300, 'x') + "\n"},
  }, Order::InTurn);
}

// The reception for a monitoring collector: the file whole after every
// answer, the card's label escaped, a file that cannot be written a failure.
TEST(Commands, SignalRewritesItsMetricsFileWhole) {
  testing::TempDirectory directory;
  const auto file = directory.path() / "p42r.prom";
  const Finished run = RunP42r({"signal", "--sim", "--virtual-clock", "--textfile", file.string()});
  EXPECT_EQ(run.exitCode, 0) << run.errors;
  std::ifstream in(file);
  const std::string metrics(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(metrics.find("\np42r_signal_up 1\n"), std::string::npos) << metrics;
  EXPECT_NE(metrics.find("\np42r_signal_level "), std::string::npos) << metrics;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory.path()), {}), 1) << "no copy left behind";

  const std::string text = MetricsText({true, 2, "a\"b\\c\nd", 5});
  EXPECT_NE(text.find(R"(p42r_signal_network_info{network="a\"b\\c\nd"} 1)"), std::string::npos) << text;
  EXPECT_EQ(RunP42r({"signal", "--sim", "--virtual-clock", "--textfile", "/proc/p42r.prom"}).exitCode, 1);
}

TEST(Commands, APasswordDescriptorThatShowsWhatIsTypedIsRefused) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  const auto echoing = PasswordDescriptorProblem(terminal);
  ASSERT_TRUE(echoing.has_value());
  EXPECT_NE(echoing->find("without echo"), std::string::npos) << *echoing;
  ::close(terminal);
  ::close(master);
}

TEST(Commands, ThePasswordIsInNoArgumentEnvironmentLogOrOutput) {
  testing::TempDirectory root;
  const std::string password = "Pw7secret";
  const std::string first = "j72n\n" + password + "\n" + password + "\n";
  ProgramProcess program(P42R_PROGRAM, {"/LOG", "domains", "--sim=slow-replies", "--virtual-clock", "--json",
                                        "--password-fd", "0", "--device-root", root.path().string()});
  program.send(first);
  program.closeInput();
  // While it runs (the slow card keeps it going after the password was taken).
  const auto readProc = [&program](const char* file) {
    std::ifstream in("/proc/" + std::to_string(program.pid()) + "/" + file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  // Until the program's own arguments show, not those of the test it was forked from.
  std::string seen;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (seen.find("--password-fd") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    seen = readProc("cmdline");
  }
  seen += readProc("environ");
  while (program.next(std::chrono::seconds(30))) {
  }
  EXPECT_EQ(program.wait(), 0) << program.standardError();
  ASSERT_NE(seen.find("--password-fd"), std::string::npos) << "the running program's argv was read";
  std::string log;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root.path())) {
    if (entry.path().filename() != "p42r_softup.log") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    log.assign(std::istreambuf_iterator<char>(in), {});
  }
  ASSERT_FALSE(log.empty()) << "/LOG wrote the diagnostic log";
  std::string output;
  for (const auto& line : program.lines()) output += line;
  for (const std::string& where : {seen, log, output, program.errorsSeen()}) {
    EXPECT_EQ(where.find(password), std::string::npos) << where;
  }
}

// The full update's run: every notice, then the result.
TEST(Commands, UpdateProgressIsOneJsonLinePerNotice) {
  const Finished run = RunP42r({"update", "--yes", "--sim", "--virtual-clock", "--json"});
  ASSERT_EQ(run.exitCode, 0) << run.errors;
  ASSERT_EQ(run.lines.size(), 17u) << "sixteen notices and the result";
  int previous = 0;
  for (std::size_t i = 0; i + 1 < run.lines.size(); ++i) {
    const Json notice = Json::parse(run.lines[i]);
    EXPECT_EQ(notice["event"], "progress");
    EXPECT_GT(notice["percent"].get<int>(), previous);
    previous = notice["percent"];
  }
  EXPECT_EQ(Json::parse(run.lines.front())["text"], "バージョン確認開始");
  const Json result = Json::parse(run.lines.back());
  EXPECT_EQ(result["update"], "completed");
  EXPECT_EQ(result["percent"], 100);
}

TEST(Commands, SignalWatchRepeatsUntilInterrupted) {
  ProgramProcess program(P42R_PROGRAM, {"signal", "--sim", "--watch", "1", "--json"});
  for (int i = 0; i < 2; ++i) {
    const auto line = program.next();
    ASSERT_TRUE(line) << program.standardError();
    EXPECT_EQ((*line)["level"], 3);
    EXPECT_TRUE((*line)["time"].is_string());
  }
  ::kill(program.pid(), SIGINT);
  EXPECT_EQ(program.wait(), 0) << "an interrupted watch has done its job";
}

TEST(Commands, ACommandBesideARunningProgramSaysWhyItEnds) {
  testing::TempDirectory root;
  ProgramProcess running(P42R_PROGRAM, {"--ui=script", "--sim", "--device-root", root.path().string()});
  ASSERT_TRUE(running.nextEvent("title")) << running.standardError();
  const Finished second = RunP42r({"info", "--sim", "--json", "--device-root", root.path().string()});
  EXPECT_EQ(second.exitCode, 3);
  EXPECT_NE(second.errors.find("another copy of p42r is running"), std::string::npos) << second.errors;
  running.closeInput();
  EXPECT_EQ(running.wait(), 0);
}

// The exit code of p42r in a bash pipeline.
int InShell(const std::string& line) {
  const int status = std::system(("bash -c '" + line + "'").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ProcessEdges, AClosedOutputEndsTheRunWithItsCodeAndLeavesNoDeviceRootBehind) {
  for (const std::string command : {"signal --sim --watch 1", "update --yes --sim=update-fast --json"}) {
    testing::TempDirectory temporary;
    const std::string run = std::string("TMPDIR=") + temporary.path().string() + " " + P42R_PROGRAM + " " + command;
    EXPECT_EQ(InShell(run + " | head -1 >/dev/null; exit ${PIPESTATUS[0]}"), 13) << command;
    EXPECT_TRUE(std::filesystem::is_empty(temporary.path())) << command << ": the device root was left";
  }
  testing::TempDirectory errors;
  const auto said = errors.path() / "stderr";
  EXPECT_EQ(InShell(std::string("TMPDIR=/nonexistent ") + P42R_PROGRAM + " info --sim 2>" + said.string()), 1);
  std::ifstream file(said);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.rfind("p42r: unexpected failure: ", 0), 0u) << text;
}

// What came from the card reaches a terminal as letters, never as a sequence it obeys.
TEST(ProcessEdges, CardTextIsMadeVisibleForTheTerminal) {
  const std::pair<std::string, std::string> cases[] = {
      {"app\x1b[2J", "app^[[2J"},            // clears the screen
      {"a\rb\x7f\x01", "a^Mb^?^A"},           // moves the cursor, deletes
      {"\xc2\x9b" "31m", "M-^[31m"},         // the one-byte CSI, in UTF-8
      {"ok\tfine\nアプリ", "ok\tfine\nアプリ"},  // layout and text stay
  };
  for (const auto& [text, shown] : cases) EXPECT_EQ(TerminalSafe(text), shown);
}

// The simulated card as the pacer sees it: busy after every move of the
// clock until it is asked to tell when it has settled, which it does then.
class CardAfterEachMove final : public platform::Settling {
 public:
  explicit CardAfterEachMove(platform::ManualClock& clock) : clock_(clock) {
    clock_.setAdvanceListener([this] { busy_ = true; });
  }
  ~CardAfterEachMove() override { clock_.setAdvanceListener(nullptr); }
  bool settled() const override {
    // Once: what a reader posts just as the pacer looks.
    if (whileAsked) std::exchange(whileAsked, nullptr)();
    return !busy_;
  }
  std::optional<platform::TimePoint> nextDue() const override {
    return deadlines.empty() ? std::nullopt : std::optional(deadlines.front());
  }
  void whenSettled(std::function<void()> then) override {
    if (!then) return;
    heardAt.push_back(clock_.now());
    while (!deadlines.empty() && deadlines.front() <= clock_.now()) deadlines.erase(deadlines.begin());
    busy_ = false;
    then();
  }
  std::vector<platform::TimePoint> deadlines;
  std::vector<platform::TimePoint> heardAt;
  mutable std::function<void()> whileAsked;

 private:
  platform::ManualClock& clock_;
  bool busy_ = false;
};

// A loop on the virtual clock with its pacer following the card, and a
// ten-minute timer that ends the run when it fires.
struct PacedLoop {
  platform::ManualClock clock;
  platform::EventLoop loop{clock};
  const platform::TimePoint start = clock.now();
  CardAfterEachMove card{clock};
  std::optional<platform::TimePoint> timerFired;

  void run() {
    loop.setDispatcher([this](platform::Message& message) {
      if (message.id != platform::WM_TIMER) return;
      timerFired = clock.now();
      loop.quit(0);
    });
    loop.setTimer(1, 1, std::chrono::minutes(10));
    VirtualTimePacer pacer(loop);
    pacer.follow(&card);
    pacer.start();
    loop.run();
    pacer.stop();
  }
};

TEST(VirtualTimePacer, MovesOntoWhatFallsDueNextOnceTheCardHasSettled) {
  PacedLoop paced;
  paced.card.deadlines = {paced.start + std::chrono::minutes(3)};
  paced.run();
  // The card's delay first, heard before time went on; then the timer, exactly.
  EXPECT_EQ(paced.card.heardAt, std::vector<platform::TimePoint>{paced.start + std::chrono::minutes(3)});
  EXPECT_EQ(paced.timerFired, paced.start + std::chrono::minutes(10));
}

// The answer a reader posts while the pacer looks is handled before time
// moves; the exchange it starts (a pause, the watchdog set again, a command
// to the card) waits for the card, as any other.
TEST(VirtualTimePacer, AnAnswerPostedAsItLooksIsHandledBeforeTimeMoves) {
  PacedLoop paced;
  paced.card.whileAsked = [&paced] {
    paced.loop.postTask([&paced] {
      paced.clock.advance(std::chrono::seconds(1));
      paced.loop.setTimer(1, 1, std::chrono::minutes(10));
    });
  };
  paced.run();
  const platform::TimePoint answered = paced.start + std::chrono::seconds(1);
  EXPECT_EQ(paced.card.heardAt, std::vector<platform::TimePoint>{answered});
  EXPECT_EQ(paced.timerFired, answered + std::chrono::minutes(10));
}

}  // namespace
}  // namespace p42r::frontends
