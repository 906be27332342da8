#include "card/tests/SerialTestPort.h"
#include "card/tests/TemporaryDirectory.h"

#include "card/CardRegistration.h"
#include "card/RegistryFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace p42r::card {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using testing::SerialTestPort;
using testing::TemporaryDirectory;

// p42r-card as a child process, with its stdout and stderr on pipes.
class CardProcess {
public:
  explicit CardProcess(std::vector<std::string> arguments) {
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe2");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    arguments.insert(arguments.begin(), P42R_CARD_PROGRAM);
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, P42R_CARD_PROGRAM, &actions, nullptr, argv.data(), environ) != 0) {
      throw std::runtime_error("posix_spawn");
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    stdout_ = out[0];
    stderr_ = err[0];
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
  }

  ~CardProcess() {
    if (!exitCode_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(stdout_);
    ::close(stderr_);
    if (pidfd_ >= 0) ::close(pidfd_);
  }

  // The first line of standard output, within the deadline.
  std::string firstLine(std::chrono::milliseconds deadline = 10s) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    std::string text;
    while (text.find('\n') == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      pollfd wait{stdout_, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[256];
      const ssize_t count = ::read(stdout_, buffer, sizeof buffer);
      if (count <= 0) break;
      text.append(buffer, static_cast<std::size_t>(count));
    }
    return text.substr(0, text.find('\n'));
  }

  void signal(int number) { ::kill(pid_, number); }

  // The exit code once the process ended, within the deadline.
  std::optional<int> waitForExit(std::chrono::milliseconds deadline = 10s) {
    if (pidfd_ < 0) return std::nullopt;
    pollfd wait{pidfd_, POLLIN, 0};
    if (::poll(&wait, 1, static_cast<int>(deadline.count())) <= 0) return std::nullopt;
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_) return std::nullopt;
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return exitCode_;
  }

  // Standard error once the process has ended.
  std::string errors() {
    std::string text;
    char buffer[4096];
    ssize_t count = 0;
    while ((count = ::read(stderr_, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(count));
    return text;
  }

private:
  pid_t pid_ = -1;
  int pidfd_ = -1;
  int stdout_ = -1;
  int stderr_ = -1;
  std::optional<int> exitCode_;
};

TEST(CardProgram, ServesUntilSigtermThenRemovesItsEntry) {
  TemporaryDirectory root;
  CardProcess card({"--device-root", root.path().string(), "--com", "4", "--trace"});
  const std::string line = card.firstLine();
  ASSERT_THAT(line, HasSubstr(" COM4:"));
  const std::string slave = line.substr(0, line.find(' '));
  EXPECT_EQ(readRegistryFile(registryPath(root.path())).stringValue(std::string(kActiveDriversKey) + "\\01", "HostDevice"),
            slave);

  SerialTestPort port(slave);
  port.writeCommand("ATE0");
  EXPECT_THAT(port.readUntil("OK\r\n"), HasSubstr("OK"));
  card.signal(SIGTERM);
  EXPECT_EQ(card.waitForExit(), 0);
  EXPECT_THAT(card.errors(), HasSubstr("card <- ATE0<CR><LF><NUL>"));
  EXPECT_TRUE(readRegistryFile(registryPath(root.path())).subKeys(kActiveDriversKey).empty());
}

TEST(CardProgram, UnplugByScenarioEndsTheProgram) {
  TemporaryDirectory root;
  CardProcess card({"--device-root", root.path().string(), "--unplug-on", "AT+GMI"});
  const std::string line = card.firstLine();
  SerialTestPort port(line.substr(0, line.find(' ')));
  port.writeCommand("AT+GMI");
  EXPECT_EQ(card.waitForExit(), 0);
  EXPECT_TRUE(port.waitForHangUp());
  EXPECT_TRUE(readRegistryFile(registryPath(root.path())).subKeys(kActiveDriversKey).empty());
}

TEST(CardProgram, ClearErrorsAndExitCodes) {
  TemporaryDirectory root;
  CardProcess missing({"--device-root", (root.path() / "nowhere").string()});
  EXPECT_EQ(missing.waitForExit(), 1);
  EXPECT_THAT(missing.errors(), HasSubstr("does not exist"));

  CardProcess badOption({"--device-root", root.path().string(), "--frobnicate"});
  EXPECT_EQ(badOption.waitForExit(), 2);
  EXPECT_THAT(badOption.errors(), HasSubstr("unknown option '--frobnicate'"));

  CardProcess help({"--help"});
  EXPECT_EQ(help.waitForExit(), 0);
  EXPECT_THAT(help.firstLine(), HasSubstr("Usage: p42r-card --device-root DIR"));
}

}  // namespace
}  // namespace p42r::card
