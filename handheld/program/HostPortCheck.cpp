#include "program/HostPortCheck.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "program/PortList.h"
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

// The live process, other than this one, whose UUCP lock file names the
// device; the lock file's path with it.
std::optional<std::pair<pid_t, std::filesystem::path>> LockHolder(
    const std::string& hostDevice, const std::vector<std::filesystem::path>& lockDirectories) {
  std::error_code error;
  const auto node = std::filesystem::canonical(hostDevice, error);
  if (error) return std::nullopt;
  for (const auto& directory : lockDirectories) {
    const auto lockFile = directory / ("LCK.." + node.filename().string());
    std::ifstream file(lockFile, std::ios::binary);
    if (!file) continue;
    std::string content(64, '\0');
    file.read(content.data(), static_cast<std::streamsize>(content.size()));
    content.resize(static_cast<std::size_t>(file.gcount()));
    // The process number in ASCII, as every lock file of this age holds it.
    const auto holder = static_cast<pid_t>(std::strtol(content.c_str(), nullptr, 10));
    // A lock left behind by a process that is gone holds nothing.
    if (holder <= 0 || holder == ::getpid()) continue;
    if (::kill(holder, 0) == 0 || errno == EPERM) return std::make_pair(holder, lockFile);
  }
  return std::nullopt;
}

std::string ProcessName(pid_t process) {
  std::ifstream file("/proc/" + std::to_string(process) + "/comm");
  std::string name;
  std::getline(file, name);
  return name;
}

}  // namespace

std::string ModemManagerAdvice() {
  return "a modem manager probes every serial port it sees: keep it off the card's port with a udev rule "
         "setting ID_MM_DEVICE_IGNORE=1 (example: /usr/share/doc/p42r/examples/80-p42r-modemmanager.rules), "
         "then plug the adapter in again";
}

HostPortVerdict DescribeOpenFailure(const std::string& hostDevice, int error) {
  switch (error) {
    case EACCES:
    case EPERM: {
      const std::string group = GroupOf(hostDevice);
      if (group.empty()) {
        return {HostPortProblem::NoPermission,
                "no permission to open " + hostDevice + "; run p42r as a user who may use it"};
      }
      // Only the group that owns serial adapters on Debian is worth joining;
      // another group (kmem, disk, tty) would give far more than a port.
      if (group != "dialout") {
        return {HostPortProblem::NoPermission,
                "no permission to open " + hostDevice + " (it belongs to group '" + group +
                    "'): run p42r as a user who may use it; serial adapters belong to group 'dialout', so check "
                    "that this is the card's port"};
      }
      return {HostPortProblem::NoPermission, "no permission to open " + hostDevice +
                                                 " (it belongs to group 'dialout'): add yourself to that group "
                                                 "('sudo usermod -aG dialout $USER'), log in again and try again"};
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

std::optional<HostPortVerdict> CheckHostPort(const std::string& hostDevice,
                                             const std::vector<std::filesystem::path>& lockDirectories) {
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
  } else if (const auto holder = LockHolder(hostDevice, lockDirectories)) {
    const std::string name = ProcessName(holder->first);
    verdict = HostPortVerdict{HostPortProblem::Busy,
                              hostDevice + " is in use by another program: process " + std::to_string(holder->first) +
                                  (name.empty() ? std::string() : " (" + name + ")") + " holds its lock file " +
                                  holder->second.string() + "; end it and try again"};
  }
  ::close(descriptor);
  return verdict;
}

std::optional<HostPortVerdict> CheckHolders(const std::string& hostDevice) {
  std::error_code error;
  const auto node = std::filesystem::canonical(hostDevice, error);
  if (error) return std::nullopt;
  std::string named;
  bool modemManager = false;
  for (const PortHolder& holder : HoldersOf(node)) {
    if (holder.pid == ::getpid() || holder.farEnd) continue;
    named += (named.empty() ? "" : ", ") + holder.command + " (process " + std::to_string(holder.pid) + ")";
    modemManager = modemManager || holder.command == "ModemManager";
  }
  if (named.empty()) return std::nullopt;
  std::string message = hostDevice + " is in use by another program: " + named + " holds it open";
  if (modemManager) {
    message += "; " + ModemManagerAdvice();
  } else {
    message += "; end it and try again";
  }
  return HostPortVerdict{HostPortProblem::Busy, message};
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
