#include "frontends/gui/DisplayPresence.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace p42r::frontends {

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Whether an X server listens for display `number` on this machine: on the
// socket file, or on the abstract socket of the same name that sandboxes
// without /tmp/.X11-unix still reach.
bool LocalXServerAnswers(const std::string& number) {
  const std::string path = "/tmp/.X11-unix/X" + number;
  for (const bool abstract : {false, true}) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;  // an abstract name starts with a zero byte
    if (path.size() + offset >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const bool answered = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    if (answered) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> WhyNoWindowDisplay() {
  // A platform chosen by hand (offscreen, vnc...) is taken at its word.
  if (Set("QT_QPA_PLATFORM") || Set("WAYLAND_DISPLAY")) return std::nullopt;
  if (!Set("DISPLAY")) return std::string("there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set)");
  const std::string display = std::getenv("DISPLAY");
  // A local X display ":N" must answer on its socket; a remote one is tried as it is.
  if (display.rfind(':', 0) != 0) return std::nullopt;
  const std::string number = display.substr(1, display.find('.') == std::string::npos ? std::string::npos
                                                                                       : display.find('.') - 1);
  if (!LocalXServerAnswers(number)) {
    return "the X display " + display + " does not answer (nothing listens on /tmp/.X11-unix/X" + number + ")";
  }
  return std::nullopt;
}

}  // namespace p42r::frontends
