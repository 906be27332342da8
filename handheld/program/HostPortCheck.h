// A look at the host device given with --port before the program starts, so
// that a port it could never open is reported on the command line, saying
// what is wrong and what to do, instead of as an error box on the start
// screen. The look opens the device once without claiming it and closes it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace p42r::program {

enum class HostPortProblem {
  Missing,       // nothing there, or a link leading nowhere (the adapter is unplugged)
  NotSerial,     // there, but no serial device
  NoPermission,  // the user may not open it
  Busy,          // another program holds it
  Unusable,      // any other failure to open it
};

struct HostPortVerdict {
  HostPortProblem kind;
  std::string message;  // one line, without "p42r: "
};

// Nothing when the device can be opened as a serial port. A port is busy
// when another program holds it exclusively or locked, or when a live
// process other than this one holds its UUCP lock file (LCK..ttyUSB0) in
// one of `lockDirectories`, as terminal programs do.
std::optional<HostPortVerdict> CheckHostPort(const std::string& hostDevice,
                                             const std::vector<std::filesystem::path>& lockDirectories = {
                                                 "/run/lock", "/var/lock"});

// Busy when a process other than this one (and other than the far end of a
// pseudo-terminal) holds `hostDevice` open, even without a lock: one that
// reads from it, as a modem manager probing a new port does, would take part
// of the card's answers. Each holder is named by command and pid.
std::optional<HostPortVerdict> CheckHolders(const std::string& hostDevice);

// What to do about a modem manager that will not leave the card's port
// alone: the udev rule that keeps it off, with the installed example.
std::string ModemManagerAdvice();

// The verdict for an open of `hostDevice` that failed with `error` (errno).
HostPortVerdict DescribeOpenFailure(const std::string& hostDevice, int error);

// The exit code of p42r for each problem.
int ExitCodeFor(HostPortProblem problem);

}  // namespace p42r::program
