// `p42r ports`: the serial ports a card could be on, for a person choosing
// --port or a script looking for its cards. USB serial adapters and ACM
// modems come from the device manager's database (libudev), each with its
// stable /dev/serial/by-id name, vendor, product and serial number, and
// whichever processes hold it open. Nothing is opened: looking must not
// disturb a card in the middle of an update.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct udev;  // the device manager's context (libudev)

namespace p42r::platform {
class ModemManager;
}

namespace p42r::program {

struct PortHolder {
  int pid = 0;
  std::string command;  // the process's name, as /proc/PID/comm gives it
  bool farEnd = false;  // it also holds the pseudo-terminal's master: the port's other end
};

struct SerialPortInfo {
  std::string device;  // /dev/ttyUSB0
  std::string byId;    // /dev/serial/by-id/usb-..., or empty
  std::string vendorId, productId, manufacturer, product, serial;
  std::vector<PortHolder> holders;  // empty: nobody has it open
  bool modemManager = false;        // one of ModemManager's modems uses it
};

// Reaches the device manager: udev_new, or nullptr when it cannot be asked.
// Tests pass one that fails, as a container without udev does.
using UdevConnect = udev* (*)();
udev* ConnectToUdev();

// The USB serial and ACM ports known to the device manager, by device name.
// Nothing when the device manager cannot be asked (no udev in a container).
std::optional<std::vector<SerialPortInfo>> ListSerialPorts(UdevConnect connect = ConnectToUdev);

// The processes under `procRoot` (normally /proc) with `device` open; those
// whose descriptors this user may not look at are not seen.
std::vector<PortHolder> HoldersOf(const std::filesystem::path& device,
                                  const std::filesystem::path& procRoot = "/proc");

// Marks the ports that one of ModemManager's modems uses; none when
// ModemManager is not there (`manager` null) or does not run.
void MarkModemManagerPorts(std::vector<SerialPortInfo>& ports, platform::ModemManager* manager);

// Prints the list as text or as one JSON object; the exit code.
int RunPortsCommand(bool json, UdevConnect connect = ConnectToUdev, platform::ModemManager* manager = nullptr);

}  // namespace p42r::program
