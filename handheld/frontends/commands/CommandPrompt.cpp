#include "frontends/commands/CommandPrompt.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "frontends/commands/PasswordInput.h"

namespace p42r::frontends {

CommandPrompt::CommandPrompt(int answerFd, std::optional<int> passwordFd, std::FILE* prompts,
                             const std::atomic<bool>& interrupted)
    : answerFd_(answerFd), passwordFd_(passwordFd), prompts_(prompts), interrupted_(interrupted) {}

std::optional<std::string> CommandPrompt::readLine(int fd, std::size_t limit) {
  // One byte at a time, so nothing after the line is taken from the
  // descriptor. The buffer never grows past limit + 1 (a password is never
  // copied by a reallocation), and what it held is wiped when nothing is
  // returned.
  std::string line;
  if (limit < 4096) line.reserve(limit + 1);
  for (char c = 0; c != '\n';) {
    pollfd wanted{fd, POLLIN, 0};
    if (interrupted_) {
      Wipe(line);
      return std::nullopt;
    }
    if (::poll(&wanted, 1, 100) <= 0) continue;
    if (::read(fd, &c, 1) != 1) {
      if (!line.empty()) break;
      return std::nullopt;
    }
    if (c != '\n' && line.size() <= limit) line += c;
  }
  if (!line.empty() && line.back() == '\r' && line.size() <= limit) line.pop_back();
  return line;
}

std::optional<bool> CommandPrompt::ask(const std::string& question) {
  if (answerFd_ < 0) return std::nullopt;
  std::fprintf(prompts_, "%s [y/N] ", question.c_str());
  std::fflush(prompts_);
  const auto reply = readLine(answerFd_);
  return reply == "y" || reply == "Y" || reply == "yes";
}

std::optional<std::string> CommandPrompt::secret(const std::string& prompt) {
  KeepOutOfCoreDumps();
  const int fd = passwordFd_ ? *passwordFd_ : answerFd_;
  if (fd < 0) return std::nullopt;
  termios saved{};
  bool quiet = false;
  if (!passwordFd_) {
    std::fprintf(prompts_, "%s", prompt.c_str());
    std::fflush(prompts_);
    quiet = ::tcgetattr(fd, &saved) == 0;
    if (quiet) {
      termios noEcho = saved;
      noEcho.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      ::tcsetattr(fd, TCSAFLUSH, &noEcho);
    }
  }
  // A signal that ends the wait (Ctrl+C, Ctrl+\, hang-up, kill) ends
  // readLine too, so the echo always comes back.
  auto line = readLine(fd, kLongestPasswordLine);
  if (quiet) ::tcsetattr(fd, TCSAFLUSH, &saved);
  if (!passwordFd_) std::fputc('\n', prompts_);
  if (line && line->size() > kLongestPasswordLine) {
    Wipe(*line);
    std::fprintf(prompts_, "p42r: a password line is longer than %zu bytes; it was not used\n",
                 kLongestPasswordLine);
    return std::nullopt;
  }
  return line;
}

}  // namespace p42r::frontends
