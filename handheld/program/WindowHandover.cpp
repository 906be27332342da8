#include "program/WindowHandover.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "frontends/gui/DisplayPresence.h"

namespace p42r::program {

UiKind ChosenUi(const ProgramOptions& options, bool windowInstalled) {
  if (options.uiChosen || options.ui != UiKind::Terminal) return options.ui;
  return DefaultUi(windowInstalled && !frontends::WhyNoWindowDisplay(), ::isatty(STDIN_FILENO) != 0);
}

std::optional<std::filesystem::path> FindWindowPart() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return std::nullopt;
  // Found from p42r's own place, never through PATH, so a moved tree still works.
  const auto part = self.parent_path() / "p42r-gui";
  if (::access(part.c_str(), X_OK) != 0) return std::nullopt;
  return part;
}

int HandOverToWindow(const std::filesystem::path& part, char** argv) {
  ::execv(part.c_str(), argv);
  std::fprintf(stderr, "p42r: cannot start the window (%s): %s\n", part.c_str(), std::strerror(errno));
  return kExitStartFailed;
}

}  // namespace p42r::program
