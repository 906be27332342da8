// A command's questions to the person at the terminal: a yes/no, and a
// password read without echo (or from --password-fd). The line is read on
// the user-interface thread, which waits for it as a person's program
// would; a signal ends the wait (`interrupted`, set by any thread), and the
// terminal's echo always comes back.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace p42r::frontends {

class CommandPrompt {
 public:
  // `answerFd` is the terminal (-1: nobody to ask); `passwordFd` the
  // descriptor given for passwords, if any; prompts go to `prompts`.
  CommandPrompt(int answerFd, std::optional<int> passwordFd, std::FILE* prompts,
                const std::atomic<bool>& interrupted);

  // Nothing when nobody can be asked; else whether the answer was yes.
  std::optional<bool> ask(const std::string& question);
  // Nothing when nobody can be asked, the wait was interrupted or the line was too long.
  std::optional<std::string> secret(const std::string& prompt);

 private:
  // The next line from `fd` without its end; one longer than `limit` comes
  // back cut to limit + 1 bytes.
  std::optional<std::string> readLine(int fd, std::size_t limit = SIZE_MAX);

  int answerFd_;
  std::optional<int> passwordFd_;
  std::FILE* prompts_;
  const std::atomic<bool>& interrupted_;
};

}  // namespace p42r::frontends
