#include "frontends/commands/PasswordInput.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <termios.h>

#include <cstring>

namespace p42r::frontends {

std::optional<std::string> PasswordDescriptorProblem(int fd) {
  const std::string option = "--password-fd " + std::to_string(fd) + ": ";
  // Checked before the program opens anything of its own, so a number not
  // open now can never turn out to be the port or a lock file.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) {
    return option + "descriptor " + std::to_string(fd) +
           " is not open; open it on the file or pipe that holds the password (for example " +
           std::to_string(fd) + "< FILE)";
  }
  if ((flags & O_ACCMODE) == O_WRONLY) return option + "descriptor " + std::to_string(fd) + " is open for writing only";
  termios settings{};
  if (::tcgetattr(fd, &settings) == 0 && (settings.c_lflag & ECHO) != 0) {
    return option + "that is a terminal showing what is typed; leave --password-fd out to be asked without echo";
  }
  return std::nullopt;
}

void Wipe(std::string& text) {
  if (!text.empty()) ::explicit_bzero(text.data(), text.size());
  text.clear();
}

void Wipe(std::u16string& text) {
  if (!text.empty()) ::explicit_bzero(text.data(), text.size() * sizeof(char16_t));
  text.clear();
}

void KeepOutOfCoreDumps() { ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0); }

}  // namespace p42r::frontends
