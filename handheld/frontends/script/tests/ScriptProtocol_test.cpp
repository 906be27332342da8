// The script protocol engine in-process, against forms of the real templates,
// where a test can set up exactly the situation a command must handle.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "frontends/script/ScriptFrontend.h"
#include "platform/Form.h"
#include "testing/HandheldHarness.h"

namespace p42r::frontends {
namespace {

using Json = nlohmann::ordered_json;

class ProtocolFixture : public ::testing::Test, public testing::HandheldHarness {
 protected:
  void SetUp() override {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    commandsIn_ = fds[1];
    output_ = std::tmpfile();
    ASSERT_NE(output_, nullptr);
    frontend_ = std::make_unique<ScriptFrontend>(display, windows, output_, fds[0]);
    readEnd_ = fds[0];
    display.setApplicationTitle(u"P42RApplication");
    frontend_->start();
  }
  void TearDown() override {
    frontend_.reset();
    ::close(commandsIn_);
    ::close(readEnd_);
    std::fclose(output_);
  }

  // Writes the command lines and runs the loop until `replies` more replies
  // came; returns every line that is new since the last exchange.
  std::vector<Json> Exchange(const std::string& commands, std::size_t replies) {
    const std::string data = commands + "\n";
    EXPECT_EQ(::write(commandsIn_, data.data(), data.size()), static_cast<ssize_t>(data.size()));
    const auto countReplies = [&] {
      std::size_t count = 0;
      const auto lines = Lines();
      for (std::size_t i = seen_; i < lines.size(); ++i) count += lines[i].contains("reply") ? 1u : 0u;
      return count;
    };
    EXPECT_TRUE(RunUntil([&] { return countReplies() >= replies; })) << "no answer to " << commands;
    RunUntilIdle();
    const auto lines = Lines();
    std::vector<Json> fresh(lines.begin() + static_cast<std::ptrdiff_t>(seen_), lines.end());
    seen_ = lines.size();
    return fresh;
  }

  // One command's reply (the events before it are dropped).
  Json Reply(const std::string& command) {
    for (auto& line : Exchange(command, 1)) {
      if (line.contains("reply")) return line;
    }
    return Json();
  }

  std::vector<Json> Lines() {
    std::fflush(output_);
    std::rewind(output_);
    std::vector<Json> lines;
    char buffer[65536];
    while (std::fgets(buffer, sizeof buffer, output_)) lines.push_back(Json::parse(buffer));
    std::fseek(output_, 0, SEEK_END);
    return lines;
  }

  std::size_t seen_ = 0;
  int commandsIn_ = -1;
  int readEnd_ = -1;
  std::FILE* output_ = nullptr;
  std::unique_ptr<ScriptFrontend> frontend_;
};

class Screen final : public platform::Form {
 public:
  Screen(platform::WindowSystem& windows, platform::Display& display, std::uint16_t templateId)
      : Form(windows, display, templateId, "Screen") {}
  std::function<void(std::uint16_t)> onClick;

 protected:
  void onCommand(std::uint16_t id, std::uint16_t) override {
    if (onClick) onClick(id);
  }
};

TEST_F(ProtocolFixture, WatchReportsEveryControlChangeUntilSwitchedOff) {
  Screen screen(windows, display, 209);
  screen.setNumber(9);
  display.setActiveForm(&screen);
  EXPECT_EQ(Reply("watch on")["reply"], "ok");
  screen.control(1072)->setText(u"バージョン確認開始");
  screen.control(1031)->setPosition(6);
  screen.control(1061)->enable(false);
  const auto lines = Exchange("watch off", 1);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]["event"], "control");
  EXPECT_EQ(lines[0]["screen"], 9);
  EXPECT_EQ(lines[0]["id"], 1072);
  EXPECT_EQ(lines[0]["property"], "text");
  EXPECT_EQ(lines[0]["value"], "バージョン確認開始");
  EXPECT_EQ(lines[1]["property"], "position");
  EXPECT_EQ(lines[1]["value"], 6);
  EXPECT_EQ(lines[2]["property"], "enabled");
  EXPECT_EQ(lines[2]["value"], false);
  EXPECT_EQ(lines[3]["reply"], "ok");
  screen.control(1072)->setText(u"quiet");
  EXPECT_EQ(Exchange("dump", 1).size(), 1u) << "no event after watch off";
}

TEST_F(ProtocolFixture, CommandsAreServedWhileAMessageBoxWaits) {
  Screen screen(windows, display, 208);
  screen.setNumber(8);
  display.setActiveForm(&screen);
  int answer = 0;
  std::vector<std::uint16_t> clicks;
  screen.onClick = [&](std::uint16_t id) {
    clicks.push_back(id);
    answer = display.messageBox(u"AC?", platform::MB_OKCANCEL | platform::MB_ICONEXCLAMATION);
  };
  Exchange("dump", 1);
  // All at once: the box's own loop has to serve the commands after the click.
  const auto lines = Exchange("click 1027\nwait msgbox 2000\ndump\nclick 1028\nanswer ok", 5);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0]["reply"], "ok");
  EXPECT_EQ(lines[1]["event"], "msgbox");
  EXPECT_EQ(lines[1]["text"], "AC?");
  EXPECT_EQ(lines[1]["caption"], "P42RApplication");
  EXPECT_EQ(lines[1]["buttons"], "okcancel");
  EXPECT_EQ(lines[1]["icon"], "exclamation");
  EXPECT_EQ(lines[2]["msgbox"]["text"], "AC?");
  EXPECT_EQ(lines[3]["msgbox"]["text"], "AC?");
  EXPECT_EQ(lines[4]["message"], "a message box is open");
  EXPECT_EQ(lines[5]["reply"], "ok");
  EXPECT_EQ(answer, platform::IDOK);
  EXPECT_EQ(clicks, (std::vector<std::uint16_t>{1027}));
}

TEST_F(ProtocolFixture, AWaitHoldsLaterCommandsBackUntilItIsAnswered) {
  Screen screen(windows, display, 208);
  display.setActiveForm(&screen);
  Exchange("dump", 1);
  // The wait times out after 100 ms of real time; the dump comes after it.
  const auto lines = Exchange("wait screen 15 100\ndump", 2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["reply"], "error");
  EXPECT_EQ(lines[0]["message"], "timed out");
  EXPECT_EQ(lines[1]["reply"], "ok");
  EXPECT_TRUE(lines[1].contains("controls"));
}

TEST_F(ProtocolFixture, AWaitForAScreenIsAnsweredWhenThatScreenIsShown) {
  Screen first(windows, display, 208);
  first.setNumber(8);
  Screen second(windows, display, 216);
  second.setNumber(15);
  display.setActiveForm(&first);
  Exchange("dump", 1);
  loop.addRealTimeAlarm(std::chrono::steady_clock::now() + std::chrono::milliseconds(30),
                        [&] { display.setActiveForm(&second); });
  const auto lines = Exchange("wait screen 15 5000", 1);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["event"], "screen");
  EXPECT_EQ(lines[0]["screen"], 15);
  EXPECT_EQ(lines[1]["reply"], "ok");
  EXPECT_EQ(lines[1]["screen"], 15);
}

TEST_F(ProtocolFixture, AdvanceFiresDueTimersBeforeItAnswers) {
  int fired = 0;
  struct Counter final : platform::Form {
    Counter(platform::WindowSystem& w, platform::Display& d, int& count) : Form(w, d, 101, "Counter"), count_(count) {}
    void onTimer(platform::TimerId) override { ++count_; }
    int& count_;
  } counter(windows, display, fired);
  ASSERT_TRUE(loop.setTimer(counter.handle(), 0x7FFF, platform::Duration(5000)));
  EXPECT_EQ(Reply("advance 4999")["reply"], "ok");
  EXPECT_EQ(fired, 0);
  EXPECT_EQ(Reply("advance 1")["reply"], "ok");
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(Reply("advance 10000")["reply"], "ok");
  EXPECT_EQ(fired, 3);
}

TEST_F(ProtocolFixture, TypeKeepsBlanksAndStopsAtTheFieldsLimit) {
  Screen screen(windows, display, 212);
  display.setActiveForm(&screen);
  EXPECT_EQ(Reply("type 1041   a.example  ")["reply"], "ok");
  EXPECT_EQ(screen.control(1041)->text(), u"  a.example  ");
  Reply("type 1041 abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(screen.control(1041)->text(), u"abcdefghijklmnopqrst");
  const auto dump = Reply("dump");
  bool found = false;
  for (const auto& control : dump["controls"]) {
    if (control["id"] != 1041) continue;
    found = true;
    EXPECT_EQ(control["text"], "abcdefghijklmnopqrst");
    EXPECT_EQ(control["focused"], true);
    EXPECT_EQ(control["maxLength"], 20);
  }
  EXPECT_TRUE(found);

  // A password field's text is masked in dump and in its events, as on the screen.
  Screen password(windows, display, 202);
  display.setActiveForm(&password);
  Reply("watch on");
  EXPECT_EQ(Reply("type 1000 pass1")["reply"], "ok");
  EXPECT_EQ(password.control(1000)->text(), u"pass1");
  const auto masked = Reply("dump");
  for (const auto& control : masked["controls"]) {
    if (control["id"] == 1000) {
      EXPECT_EQ(control["text"], "*****");
    }
  }
  std::string everything;
  for (const auto& line : Lines()) everything += line.dump() + "\n";
  EXPECT_NE(everything.find(R"("value":"*****")"), std::string::npos) << everything;
  EXPECT_EQ(everything.find("pass1"), std::string::npos) << "only the typing command itself held it";
}

}  // namespace
}  // namespace p42r::frontends
