#include "program/HostPortCheck.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "program/ProgramOptions.h"

namespace p42r::program {

namespace {

std::string GroupOf(const std::string& hostDevice) {
  struct stat status {};
  if (::stat(hostDevice.c_str(), &status) != 0) return std::string();
  const group* owner = ::getgrgid(status.st_gid);
  return owner != nullptr ? std::string(owner->gr_name) : std::to_string(status.st_gid);
}

HostPortVerdict Busy(const std::string& hostDevice) {
  return {HostPortProblem::Busy, hostDevice +
                                     " is in use by another program (a terminal program, a modem manager, "
                                     "another p42r); end it and try again ('fuser -v " +
                                     hostDevice + "' shows which)"};
}

}  // namespace

HostPortVerdict DescribeOpenFailure(const std::string& hostDevice, int error) {
  switch (error) {
    case EACCES:
    case EPERM: {
      const std::string group = GroupOf(hostDevice);
      if (group.empty() || group == "root") {
        return {HostPortProblem::NoPermission,
                "no permission to open " + hostDevice + "; run p42r as a user who may use it"};
      }
      return {HostPortProblem::NoPermission, "no permission to open " + hostDevice + " (it belongs to group '" +
                                                 group + "'): add yourself to that group ('sudo usermod -aG " +
                                                 group + " $USER'), log in again and try again"};
    }
    case EBUSY:
      return Busy(hostDevice);
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case EIO:
      return {HostPortProblem::Missing,
              hostDevice + " is there but no device answers behind it; plug the card's adapter in again"};
    default:
      return {HostPortProblem::Unusable, "cannot open " + hostDevice + ": " + std::strerror(error)};
  }
}

std::optional<HostPortVerdict> CheckHostPort(const std::string& hostDevice) {
  struct stat status {};
  if (::stat(hostDevice.c_str(), &status) != 0) {
    struct stat link {};
    if (::lstat(hostDevice.c_str(), &link) == 0) {
      return HostPortVerdict{HostPortProblem::Missing,
                             hostDevice + " leads to a device that is not there; is the card's adapter plugged in?"};
    }
    return HostPortVerdict{HostPortProblem::Missing,
                           "no such device: " + hostDevice +
                               "; is the card's adapter plugged in? ('ls -l /dev/serial/by-id' lists the stable "
                               "names of the serial adapters plugged in)"};
  }
  if (!S_ISCHR(status.st_mode)) {
    return HostPortVerdict{HostPortProblem::NotSerial, hostDevice + " is not a serial device"};
  }
  const int descriptor = ::open(hostDevice.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return DescribeOpenFailure(hostDevice, errno);
  std::optional<HostPortVerdict> verdict;
  termios settings{};
  if (::tcgetattr(descriptor, &settings) != 0) {
    verdict = HostPortVerdict{HostPortProblem::NotSerial, hostDevice + " is not a serial device"};
  } else if (::flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
    // The program's own open takes this lock; whoever has it now keeps the
    // port from the program.
    verdict = Busy(hostDevice);
  }
  ::close(descriptor);
  return verdict;
}

int ExitCodeFor(HostPortProblem problem) {
  switch (problem) {
    case HostPortProblem::Busy: return kExitPortBusy;
    case HostPortProblem::NoPermission: return kExitPortDenied;
    case HostPortProblem::Missing:
    case HostPortProblem::NotSerial:
    case HostPortProblem::Unusable: return kExitPortMissing;
  }
  return kExitPortMissing;
}

}  // namespace p42r::program
