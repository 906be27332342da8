#include "platform/PosixSerialApi.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>

#include "platform/LastError.h"

namespace p42r::platform {

namespace {

constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
constexpr std::uint32_t ERROR_SHARING_VIOLATION = 32;
constexpr std::uint32_t ERROR_GEN_FAILURE = 31;
constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;

std::uint32_t ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return 2;  // ERROR_FILE_NOT_FOUND
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case EBUSY:
    case EWOULDBLOCK: return ERROR_SHARING_VIOLATION;
    case EIO:
    case ENXIO:
    case ENODEV:
    case EPIPE: return ERROR_DEVICE_NOT_AVAILABLE;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_GEN_FAILURE;
  }
}

bool Fail(std::uint32_t error) {
  SetLastError(error);
  return false;
}

speed_t SpeedFor(std::uint32_t baud) {
  switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
  }
}

std::uint32_t BaudFor(speed_t speed) {
  switch (speed) {
    case B9600: return 9600;
    case B19200: return 19200;
    case B38400: return 38400;
    case B57600: return 57600;
    case B115200: return 115200;
    case B230400: return 230400;
    case B460800: return 460800;
    case B921600: return 921600;
    default: return 0;
  }
}

// The line as the card needs it, whatever the last program or stty left:
// raw bytes, no flow control of either kind, the modem lines ignored, no
// hang-up on close, reads that return at once.
void MakeRaw(termios& settings) {
  ::cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 0;
}

// The bits of the settings that decide how bytes cross the line.
bool SameLine(const termios& a, const termios& b) {
  constexpr tcflag_t kInput = IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK | INPCK;
  constexpr tcflag_t kControl = CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS | CLOCAL | CREAD | HUPCL;
  constexpr tcflag_t kLocal = ICANON | ECHO | ECHONL | ISIG | IEXTEN;
  return (a.c_iflag & kInput) == (b.c_iflag & kInput) && (a.c_oflag & OPOST) == (b.c_oflag & OPOST) &&
         (a.c_cflag & kControl) == (b.c_cflag & kControl) && (a.c_lflag & kLocal) == (b.c_lflag & kLocal) &&
         ::cfgetispeed(&a) == ::cfgetispeed(&b) && ::cfgetospeed(&a) == ::cfgetospeed(&b) &&
         a.c_cc[VMIN] == b.c_cc[VMIN] && a.c_cc[VTIME] == b.c_cc[VTIME];
}

// Sets `wanted` and reads it back: a driver may take a call and quietly keep
// part of the old settings. errno says why when it fails (EPROTO: the
// driver kept something else than it was given).
bool Apply(int fd, const termios& wanted) {
  if (::tcsetattr(fd, TCSANOW, &wanted) != 0) return false;
  termios now{};
  if (::tcgetattr(fd, &now) != 0) return false;
  if (SameLine(now, wanted)) return true;
  errno = EPROTO;
  return false;
}

}  // namespace

struct PosixSerialApi::Port {
  ~Port() {
    release();
    if (fd >= 0) ::close(fd);
  }
  // Gives the device back at once: the settings it had before, the
  // exclusive flag (which belongs to the tty, so a pty slave would keep it
  // while its master stays open) and the lock. The descriptor number then
  // leads to /dev/null until the last waiter has let go, so a thread still
  // about to poll it never polls a descriptor that someone else opened.
  void release() {
    if (released || fd < 0) return;
    released = true;
    if (haveSaved) ::tcsetattr(fd, TCSANOW, &saved);
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    const int nothing = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (nothing >= 0) {
      ::dup3(nothing, fd, O_CLOEXEC);
      ::close(nothing);
    }
  }
  // Every waiter has its own wake-up, so none takes another's.
  void wake() {
    const std::uint64_t one = 1;
    for (const int waiter : waiters) [[maybe_unused]] const auto result = ::write(waiter, &one, sizeof one);
  }
  int fd = -1;
  std::u16string name;  // "COM4:"
  std::mutex mutex;
  std::uint32_t mask = 0;
  std::uint64_t maskChanges = 0;
  bool closed = false;
  bool released = false;
  std::vector<int> waiters;  // eventfds of the threads in WaitCommEvent
  termios saved{};           // the settings before the open, given back at close
  bool haveSaved = false;
};

struct PosixSerialApi::PendingWrite {
  std::shared_ptr<Port> port;
  std::string remaining;
};

PosixSerialApi::PosixSerialApi(Resolver resolve) : resolve_(std::move(resolve)) {}

PosixSerialApi::~PosixSerialApi() = default;

std::shared_ptr<PosixSerialApi::Port> PosixSerialApi::find(PortHandle port) {
  std::lock_guard lock(mutex_);
  const auto it = ports_.find(port);
  return it == ports_.end() ? nullptr : it->second;
}

PortHandle PosixSerialApi::CreateFile(std::u16string_view name) {
  const auto path = resolve_(name);
  if (!path) {
    SetLastError(2);
    return INVALID_PORT_HANDLE;
  }
  const int fd = ::open(path->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_PORT_HANDLE;
  }
  // The registry only names the device: what is there must be a serial
  // device, and not the terminal this program runs in (a stale entry can
  // name a pty number that is now someone's shell). Either is no card.
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISCHR(status.st_mode) || ::isatty(fd) == 0 || ::tcgetsid(fd) == ::getsid(0)) {
    ::close(fd);
    SetLastError(2);  // ERROR_FILE_NOT_FOUND
    return INVALID_PORT_HANDLE;
  }
  // Without sharing: one opener at a time, also for root, whom TIOCEXCL does not stop.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_PORT_HANDLE;
  }
  ::ioctl(fd, TIOCEXCL);
  auto port = std::make_shared<Port>();
  port->fd = fd;
  port->name = std::u16string(name);
  if (::tcgetattr(fd, &port->saved) != 0) {
    SetLastError(ErrorFromErrno(errno == ENOTTY ? EINVAL : errno));
    return INVALID_PORT_HANDLE;
  }
  port->haveSaved = true;
  termios raw = port->saved;
  MakeRaw(raw);
  if (!Apply(fd, raw)) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_PORT_HANDLE;
  }
  if (watch_ != nullptr) watch_->portOpened(name, *path, fd);
  std::lock_guard lock(mutex_);
  const PortHandle handle = nextHandle_++;
  ports_.emplace(handle, std::move(port));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

// Reads never block and writes keep their own deadline (the wait for a
// pending write), so the time-outs are taken and have nothing to change.
bool PosixSerialApi::SetCommTimeouts(PortHandle handle, const CommTimeouts&) {
  if (!find(handle)) return Fail(ERROR_INVALID_HANDLE);
  return true;
}

bool PosixSerialApi::GetCommState(PortHandle handle, Dcb& dcb) {
  const auto port = find(handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  termios settings{};
  if (::tcgetattr(port->fd, &settings) != 0) return Fail(ErrorFromErrno(errno));
  dcb.baudRate = BaudFor(::cfgetospeed(&settings));
  switch (settings.c_cflag & CSIZE) {
    case CS5: dcb.byteSize = 5; break;
    case CS6: dcb.byteSize = 6; break;
    case CS7: dcb.byteSize = 7; break;
    default: dcb.byteSize = 8; break;
  }
  dcb.parity = (settings.c_cflag & PARENB) ? ((settings.c_cflag & PARODD) ? 1 : 2) : NOPARITY;
  dcb.stopBits = (settings.c_cflag & CSTOPB) ? 2 : ONESTOPBIT;
  dcb.outxCtsFlow = (settings.c_cflag & CRTSCTS) != 0;
  dcb.rtsControl = dcb.outxCtsFlow;
  dcb.inX = (settings.c_iflag & IXOFF) != 0;
  dcb.outX = (settings.c_iflag & IXON) != 0;
  return true;
}

bool PosixSerialApi::SetCommState(PortHandle handle, const Dcb& dcb) {
  const auto port = find(handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  termios settings{};
  if (::tcgetattr(port->fd, &settings) != 0) return Fail(ErrorFromErrno(errno));
  const speed_t speed = SpeedFor(dcb.baudRate);
  if (speed == B0) return Fail(ERROR_INVALID_PARAMETER);
  ::cfsetispeed(&settings, speed);
  ::cfsetospeed(&settings, speed);
  settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  switch (dcb.byteSize) {
    case 5: settings.c_cflag |= CS5; break;
    case 6: settings.c_cflag |= CS6; break;
    case 7: settings.c_cflag |= CS7; break;
    case 8: settings.c_cflag |= CS8; break;
    default: return Fail(ERROR_INVALID_PARAMETER);
  }
  if (dcb.parity == 1) settings.c_cflag |= PARENB | PARODD;
  if (dcb.parity == 2) settings.c_cflag |= PARENB;
  if (dcb.stopBits == 2) settings.c_cflag |= CSTOPB;
  if (dcb.outxCtsFlow) settings.c_cflag |= CRTSCTS;
  settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
  if (dcb.inX) settings.c_iflag |= IXOFF;
  if (dcb.outX) settings.c_iflag |= IXON;
  if (!Apply(port->fd, settings)) return Fail(ErrorFromErrno(errno));
  return true;
}

bool PosixSerialApi::SetCommMask(PortHandle handle, std::uint32_t mask) {
  const auto port = find(handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  std::lock_guard lock(port->mutex);
  port->mask = mask;
  ++port->maskChanges;
  port->wake();
  return true;
}

bool PosixSerialApi::WaitCommEvent(PortHandle handle, std::uint32_t& events) {
  const auto port = find(handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  const int wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  std::uint64_t changesAtStart = 0;
  std::uint32_t mask = 0;
  {
    // Registered together with what it waits from: a change made after
    // this wakes it, one made before is seen in the count.
    std::lock_guard lock(port->mutex);
    if (port->closed) {
      ::close(wakeFd);
      return Fail(ERROR_INVALID_HANDLE);
    }
    port->waiters.push_back(wakeFd);
    changesAtStart = port->maskChanges;
    mask = port->mask;
  }
  const bool result = waitForEvent(*port, wakeFd, mask, changesAtStart, events);
  {
    std::lock_guard lock(port->mutex);
    std::erase(port->waiters, wakeFd);
  }
  ::close(wakeFd);
  return result;
}

bool PosixSerialApi::waitForEvent(Port& port, int wakeFd, std::uint32_t mask, std::uint64_t changesAtStart,
                                  std::uint32_t& events) {
  // With no events to wait for, nothing but a later mask change could end the
  // wait; a clear that came just before it would leave the reader blocked.
  if (mask == 0) return Fail(ERROR_INVALID_PARAMETER);
  for (;;) {
    pollfd fds[2] = {{port.fd, static_cast<short>((mask & EV_RXCHAR) ? POLLIN : 0), 0}, {wakeFd, POLLIN, 0}};
    const int ready = ::poll(fds, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return Fail(ErrorFromErrno(errno));
    }
    {
      std::lock_guard lock(port.mutex);
      if (port.closed) return Fail(ERROR_INVALID_HANDLE);
      if (port.maskChanges != changesAtStart) {
        events = 0;
        return true;
      }
    }
    if (fds[1].revents & POLLIN) {
      std::uint64_t count = 0;
      [[maybe_unused]] const auto drained = ::read(wakeFd, &count, sizeof count);
      continue;
    }
    if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      // The device hung up or went away.
      return Fail(ERROR_DEVICE_NOT_AVAILABLE);
    }
    if (fds[0].revents & POLLIN) {
      events = EV_RXCHAR;
      return true;
    }
  }
}

bool PosixSerialApi::ClearCommError(PortHandle handle, std::uint32_t& bytesWaiting) {
  const auto port = find(handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  int count = 0;
  if (::ioctl(port->fd, FIONREAD, &count) != 0) return Fail(ErrorFromErrno(errno));
  bytesWaiting = count < 0 ? 0 : static_cast<std::uint32_t>(count);
  return true;
}

bool PosixSerialApi::ReadFile(PortHandle handle, char* buffer, std::uint32_t count, std::uint32_t& read) {
  const auto port = find(handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  read = 0;
  while (read < count) {
    const ssize_t got = ::read(port->fd, buffer + read, count - read);
    if (got > 0) {
      read += static_cast<std::uint32_t>(got);
      continue;
    }
    if (got < 0 && errno == EINTR) continue;
    if (got < 0 && errno == EAGAIN) break;
    if (got == 0) {
      // A raw tty reads 0 both when its queue is empty and once it hung up;
      // only the latter shows in poll.
      pollfd fd{port->fd, 0, 0};
      if (read == 0 && ::poll(&fd, 1, 0) > 0 && (fd.revents & (POLLHUP | POLLERR | POLLNVAL)))
        return Fail(ERROR_DEVICE_NOT_AVAILABLE);
      break;
    }
    return Fail(ErrorFromErrno(errno));
  }
  return true;
}

bool PosixSerialApi::PurgeComm(PortHandle handle, std::uint32_t flags) {
  const auto port = find(handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  int queue = -1;
  if ((flags & PURGE_RXCLEAR) && (flags & PURGE_TXCLEAR)) queue = TCIOFLUSH;
  else if (flags & PURGE_RXCLEAR) queue = TCIFLUSH;
  else if (flags & PURGE_TXCLEAR) queue = TCOFLUSH;
  if (queue >= 0 && ::tcflush(port->fd, queue) != 0) return Fail(ErrorFromErrno(errno));
  return true;
}

EventHandle PosixSerialApi::CreateEvent() {
  std::lock_guard lock(mutex_);
  const EventHandle event = nextEvent_++;
  events_.emplace(event, std::make_shared<PendingWrite>());
  return event;
}

void PosixSerialApi::CloseEvent(EventHandle event) {
  std::lock_guard lock(mutex_);
  events_.erase(event);
}

bool PosixSerialApi::WriteFile(PortHandle handle, const char* data, std::uint32_t count, std::uint32_t& written,
                               EventHandle completion) {
  std::shared_ptr<PendingWrite> pending;
  {
    std::lock_guard lock(mutex_);
    const auto event = events_.find(completion);
    if (event != events_.end()) pending = event->second;
  }
  const auto port = find(handle);
  if (!port) return Fail(ERROR_INVALID_HANDLE);
  written = 0;
  while (written < count) {
    const ssize_t sent = ::write(port->fd, data + written, count - written);
    if (sent > 0) {
      written += static_cast<std::uint32_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && errno == EAGAIN) {
      // The driver's queue is full: the rest goes on while the caller waits.
      if (!pending) return Fail(ERROR_INVALID_HANDLE);
      pending->port = port;
      pending->remaining.assign(data + written, count - written);
      SetLastError(ERROR_IO_PENDING);
      return false;
    }
    return Fail(ErrorFromErrno(errno));
  }
  return true;
}

bool PosixSerialApi::WaitForSingleObject(EventHandle event, std::chrono::milliseconds timeout) {
  std::shared_ptr<PendingWrite> pending;
  {
    std::lock_guard lock(mutex_);
    const auto it = events_.find(event);
    if (it == events_.end()) return false;
    pending = it->second;
  }
  if (!pending->port) return true;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!pending->remaining.empty()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fd{pending->port->fd, POLLOUT, 0};
    const int ready = ::poll(&fd, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (fd.revents & (POLLHUP | POLLERR | POLLNVAL))) return false;
    const ssize_t sent = ::write(pending->port->fd, pending->remaining.data(), pending->remaining.size());
    if (sent > 0) pending->remaining.erase(0, static_cast<std::size_t>(sent));
    else if (sent < 0 && errno != EAGAIN && errno != EINTR) return false;
  }
  return true;
}

bool PosixSerialApi::CloseHandle(PortHandle handle) {
  std::shared_ptr<Port> port;
  {
    std::lock_guard lock(mutex_);
    const auto it = ports_.find(handle);
    if (it == ports_.end()) return Fail(ERROR_INVALID_HANDLE);
    port = it->second;
    ports_.erase(it);
  }
  {
    std::lock_guard lock(port->mutex);
    port->closed = true;
    // A reader still waiting returns; the device is free for the next opener now.
    port->wake();
    port->release();
  }
  if (watch_ != nullptr) watch_->portClosed(port->name);
  return true;
}

}  // namespace p42r::platform
