// A real card on a real port: p42r in script mode with --port on a
// pseudo-terminal whose other end the test plays as the card, and pulls out
// (closes) at chosen moments. Every wait has its own real-time deadline.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "testing/ProgramProcess.h"
#include "testing/TempDirectory.h"

namespace p42r::program {
namespace {

using namespace std::chrono_literals;
using testing::ProgramProcess;
using Json = ProgramProcess::Json;
using SteadyClock = std::chrono::steady_clock;

const std::string kNoReplyStop = "デバイスからの応答がありません。処理を中断します。";
const std::string kDeviceMissing = "通信デバイスが存在しないか、または検出されませんでした。処理を中断します。";
constexpr auto kDeadline = 10s;

// The card's end of a pty pair, played by the test. The test also keeps the
// port's end open (without claiming it), so that the card's end never sees
// a hang-up of its own while the program opens and closes the port.
class PtyCard {
 public:
  PtyCard() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    char name[256];
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0) {
      return;
    }
    slavePath_ = name;
    keepOpen_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  }
  ~PtyCard() { Unplug(); }
  PtyCard(const PtyCard&) = delete;
  PtyCard& operator=(const PtyCard&) = delete;

  bool ok() const { return keepOpen_ >= 0; }
  const std::string& slavePath() const { return slavePath_; }

  // Waits for the command line `command` from the program; the lines before
  // it are skipped.
  bool Expect(const std::string& command) {
    const auto deadline = SteadyClock::now() + kDeadline;
    for (;;) {
      for (std::size_t end = buffer_.find('\n'); end != std::string::npos; end = buffer_.find('\n')) {
        std::string line = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        std::erase(line, '\0');
        std::erase(line, '\r');
        if (line == command) return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
      if (left.count() <= 0) return false;
      pollfd fd{master_, POLLIN, 0};
      if (::poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
      char chunk[512];
      const ssize_t got = ::read(master_, chunk, sizeof chunk);
      if (got > 0) buffer_.append(chunk, static_cast<std::size_t>(got));
    }
  }

  bool Send(std::string_view bytes) {
    return ::write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

  // The card pulled out: its end of the line closes.
  void Unplug() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
    if (keepOpen_ >= 0) ::close(keepOpen_);
    keepOpen_ = -1;
  }

 private:
  int master_ = -1;
  int keepOpen_ = -1;
  std::string slavePath_;
  std::string buffer_;
};

struct CardRemoval : ::testing::Test {
  testing::TempDirectory root;
  PtyCard card;
  std::unique_ptr<ProgramProcess> program;

  // Starts p42r on the card's port and answers its identification.
  void Start(const std::vector<std::string>& extra = {}) {
    ASSERT_TRUE(card.ok());
    std::vector<std::string> arguments = {"--ui=script", "--virtual-clock", "--device-root", root.path().string(),
                                          "--port", card.slavePath()};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    program = std::make_unique<ProgramProcess>(P42R_PROGRAM, arguments);
    ASSERT_TRUE(card.Expect("ATE0")) << program->standardError();
    ASSERT_TRUE(card.Send("\r\nOK\r\n"));
    ASSERT_TRUE(card.Expect("AT+GMI"));
    ASSERT_TRUE(card.Send("\r\nHalvorn.Corp\r\n\r\nOK\r\n"));
  }

  std::string Reply(const std::string& line) {
    const auto reply = program->command(line);
    return reply ? reply->value("reply", "") : "none";
  }

  // Consumer menu → phone update → Start → OK: the update screen writes its command.
  void OpenUpdateScreen() {
    ASSERT_EQ(Reply("click 1073"), "ok");
    ASSERT_EQ(Reply("wait screen 8"), "ok");
    ASSERT_EQ(Reply("click 1027"), "ok");
    ASSERT_EQ(Reply("wait msgbox"), "ok");
    ASSERT_EQ(Reply("answer ok"), "ok");
    ASSERT_EQ(Reply("wait screen 9"), "ok");
    // Boxes are looked for from the update screen's showing on: the power
    // warning was answered on the way there.
    const auto& skipped = program->skipped();
    boxesLooked = skipped.size();
    for (std::size_t i = skipped.size(); i-- > 0;) {
      if (skipped[i].value("event", "") == "screen" && skipped[i]["screen"] == 9) boxesLooked = i;
    }
  }

  // The next box (or the end, with `orExit`): one that came before the last
  // command's reply, or the next to come.
  std::optional<Json> NextBox(std::chrono::milliseconds deadline, bool orExit = false) {
    const auto wanted = [orExit](const Json& v) {
      return v.value("event", "") == "msgbox" || (orExit && v.value("event", "") == "exit");
    };
    const auto& skipped = program->skipped();
    for (; boxesLooked < skipped.size(); ++boxesLooked) {
      if (wanted(skipped[boxesLooked])) return skipped[boxesLooked++];
    }
    auto next = program->nextMatching(wanted, deadline);
    boxesLooked = program->skipped().size();
    return next;
  }
  std::size_t boxesLooked = 0;

  // Answers OK to every box until the program ends; its exit code.
  std::optional<int> AnswerUntilExit() {
    for (int boxes = 0; boxes < 3; ++boxes) {
      const auto next = NextBox(kDeadline, /*orExit=*/true);
      if (!next) return std::nullopt;
      if ((*next)["event"] == "exit") return program->wait();
      program->send("answer ok");
    }
    return std::nullopt;
  }
};

TEST_F(CardRemoval, PulledOutDuringTheDownloadTheUpdateScreenStopsAtOnceAndTheProgramEnds) {
  Start();
  ASSERT_EQ(Reply("wait screen 15"), "ok") << program->standardError();
  ASSERT_EQ(Reply("watch on"), "ok");
  OpenUpdateScreen();
  ASSERT_TRUE(card.Expect("AT@KUPSTART"));
  ASSERT_TRUE(card.Send("\r\nVERCFSTR\r\n\r\nVERCFCPL\r\n\r\nFDLSTART\r\n\r\nFDL20\r\n"));
  const auto halfway = program->nextMatching([](const Json& v) {
    return v.value("event", "") == "control" && v["id"] == 1072 && v["value"] == "ファイルダウンロード２０％";
  });
  ASSERT_TRUE(halfway) << "the download never got under way";

  card.Unplug();
  const auto pulled = SteadyClock::now();
  const auto box = NextBox(1000ms);
  ASSERT_TRUE(box) << "no box within a second of the card being pulled out";
  EXPECT_LE(SteadyClock::now() - pulled, 1000ms);
  EXPECT_EQ((*box)["text"], kNoReplyStop);
  EXPECT_EQ((*box)["icon"], "exclamation");

  ASSERT_EQ(Reply("answer ok"), "ok");
  ASSERT_TRUE(program->nextEvent("exit")) << "OK did not end the program";
  EXPECT_EQ(program->wait(), 0) << program->standardError();
}

TEST_F(CardRemoval, PulledOutWhileTheConsumerMenuIsIdleTheNextExchangeEndsTheProgram) {
  Start();
  ASSERT_EQ(Reply("wait screen 15"), "ok") << program->standardError();
  card.Unplug();
  // The menu itself has no use for the notice; the update it leads to finds
  // the card gone and ends the program instead of waiting ten minutes.
  OpenUpdateScreen();
  const auto box = NextBox(1000ms);
  ASSERT_TRUE(box) << "the update screen did not find the card gone";
  EXPECT_TRUE((*box)["text"] == kDeviceMissing || (*box)["text"] == kNoReplyStop) << (*box)["text"];
  program->send("answer ok");
  EXPECT_EQ(AnswerUntilExit(), 0) << program->standardError();
}

TEST_F(CardRemoval, PulledOutDuringAStatusQueryTheScreenGivesUpAtItsWatchdogAndNothingHangs) {
  Start({"--entry=general"});
  ASSERT_EQ(Reply("wait screen 5"), "ok") << program->standardError();
  ASSERT_EQ(Reply("click 1017"), "ok");
  ASSERT_EQ(Reply("wait screen 10"), "ok");
  ASSERT_EQ(Reply("click 1033"), "ok");
  ASSERT_TRUE(card.Expect("AT@HYBRRSSI?"));
  card.Unplug();
  // The communication-state screen leaves the notice aside: its 70-second
  // watchdog ends the query, and the screen is usable again.
  boxesLooked = program->skipped().size();
  ASSERT_EQ(Reply("advance 70000"), "ok");
  const auto box = NextBox(kDeadline);
  ASSERT_TRUE(box);
  EXPECT_EQ((*box)["text"], kNoReplyStop);
  ASSERT_EQ(Reply("answer ok"), "ok");
  const auto idle = program->command("dump");
  ASSERT_TRUE(idle);
  EXPECT_EQ((*idle)["msgbox"], nullptr);
  // The next query finds the card gone and ends the program.
  ASSERT_EQ(Reply("click 1033"), "ok");
  EXPECT_EQ(AnswerUntilExit(), 0) << program->standardError();
}

TEST_F(CardRemoval, AStableNameForThePortLeadsToTheCardAndItsRemovalIsNoticed) {
  testing::TempDirectory byId;
  const auto link = byId.path() / "usb-Halvorn_P42R_0001-if02-port0";
  std::filesystem::create_symlink(card.slavePath(), link);
  ASSERT_TRUE(card.ok());
  program = std::make_unique<ProgramProcess>(
      P42R_PROGRAM, std::vector<std::string>{"--ui=script", "--virtual-clock", "--device-root", root.path().string(),
                                             "--port", link.string()});
  ASSERT_TRUE(card.Expect("ATE0")) << program->standardError();
  ASSERT_TRUE(card.Send("\r\nOK\r\n"));
  ASSERT_TRUE(card.Expect("AT+GMI"));
  ASSERT_TRUE(card.Send("\r\nHalvorn.Corp\r\n\r\nOK\r\n"));
  ASSERT_EQ(Reply("wait screen 15"), "ok") << program->standardError();
  OpenUpdateScreen();
  ASSERT_TRUE(card.Expect("AT@KUPSTART"));
  // The adapter's stable name goes first, as udev removes it; the card's
  // end stays open, so only the name's going can tell.
  std::filesystem::remove(link);
  const auto box = NextBox(1000ms);
  ASSERT_TRUE(box) << "the stable name's removal was not noticed";
  EXPECT_EQ((*box)["text"], kNoReplyStop);
  ASSERT_EQ(Reply("answer ok"), "ok");
  ASSERT_TRUE(program->nextEvent("exit"));
  EXPECT_EQ(program->wait(), 0) << program->standardError();
}

TEST_F(CardRemoval, ThePortOfARunningCopyIsBusyForOthersAndASecondCopyEndsSilently) {
  Start();
  ASSERT_EQ(Reply("wait screen 15"), "ok") << program->standardError();

  // Another program on another device root: told the port is taken.
  testing::TempDirectory otherRoot;
  ProgramProcess other(P42R_PROGRAM, {"--ui=script", "--device-root", otherRoot.path().string(), "--port",
                                      card.slavePath()});
  EXPECT_EQ(other.wait(), 6);
  EXPECT_NE(other.standardError().find("in use by another program"), std::string::npos);

  // A second copy on the same device root: silent, as a second copy is.
  ProgramProcess second(P42R_PROGRAM, {"--ui=script", "--device-root", root.path().string(), "--port",
                                       card.slavePath()});
  EXPECT_EQ(second.wait(), 3);
  EXPECT_EQ(second.standardError(), "");
  EXPECT_EQ(second.next(0ms), std::nullopt) << "the second copy showed something";

  ASSERT_EQ(Reply("close"), "ok");
  ASSERT_TRUE(program->nextEvent("exit"));
  EXPECT_EQ(program->wait(), 0) << "the running copy was disturbed";
}

}  // namespace
}  // namespace p42r::program
