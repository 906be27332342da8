#include "card/PseudoTerminal.h"

#include "card/CardError.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <utility>

namespace p42r::card {

PseudoTerminal PseudoTerminal::open() {
  PseudoTerminal terminal;
  terminal.master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (terminal.master_ < 0) throw CardError::system("posix_openpt", "", errno);
  if (::grantpt(terminal.master_) != 0) throw CardError::system("grantpt", "", errno);
  if (::unlockpt(terminal.master_) != 0) throw CardError::system("unlockpt", "", errno);
  char name[PATH_MAX];
  if (const int error = ::ptsname_r(terminal.master_, name, sizeof name); error != 0) {
    throw CardError::system("ptsname_r", "", error);
  }
  terminal.slavePath_ = name;

  terminal.slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (terminal.slave_ < 0) throw CardError::system("open", terminal.slavePath_, errno);
  termios settings{};
  if (::tcgetattr(terminal.slave_, &settings) != 0) throw CardError::system("tcgetattr", terminal.slavePath_, errno);
  // Raw: no echo by the line discipline, no CR/LF translation, no signals.
  ::cfmakeraw(&settings);
  ::cfsetispeed(&settings, B115200);
  ::cfsetospeed(&settings, B115200);
  if (::tcsetattr(terminal.slave_, TCSANOW, &settings) != 0) {
    throw CardError::system("tcsetattr", terminal.slavePath_, errno);
  }

  const int flags = ::fcntl(terminal.master_, F_GETFL);
  if (flags < 0 || ::fcntl(terminal.master_, F_SETFL, flags | O_NONBLOCK) != 0) {
    throw CardError::system("fcntl O_NONBLOCK", "pty master", errno);
  }
  return terminal;
}

PseudoTerminal::~PseudoTerminal() { close(); }

PseudoTerminal::PseudoTerminal(PseudoTerminal&& other) noexcept
    : master_(std::exchange(other.master_, -1)),
      slave_(std::exchange(other.slave_, -1)),
      slavePath_(std::move(other.slavePath_)) {}

PseudoTerminal& PseudoTerminal::operator=(PseudoTerminal&& other) noexcept {
  if (this != &other) {
    close();
    master_ = std::exchange(other.master_, -1);
    slave_ = std::exchange(other.slave_, -1);
    slavePath_ = std::move(other.slavePath_);
  }
  return *this;
}

void PseudoTerminal::close() {
  // The slave first: with the master closed last, the handheld sees the
  // hang-up only once the card holds nothing of the line any more.
  if (slave_ >= 0) {
    ::close(slave_);
    slave_ = -1;
  }
  if (master_ >= 0) {
    ::close(master_);
    master_ = -1;
  }
}

}  // namespace p42r::card
