#include "program/PortList.h"

#include <libudev.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <system_error>

#include "platform/ModemManager.h"
#include "program/ProgramOptions.h"

namespace p42r::program {

namespace {

struct UdevDeleter {
  void operator()(udev* context) const { udev_unref(context); }
  void operator()(udev_enumerate* enumeration) const { udev_enumerate_unref(enumeration); }
  void operator()(udev_device* device) const { udev_device_unref(device); }
};
template <typename T>
using UdevPointer = std::unique_ptr<T, UdevDeleter>;

std::string Text(const char* value) { return value != nullptr ? value : ""; }

// The device's stable name, when the device manager made one.
std::string ByIdLink(udev_device* device) {
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_device_get_devlinks_list_entry(device)) {
    const std::string link = Text(udev_list_entry_get_name(entry));
    if (link.rfind("/dev/serial/by-id/", 0) == 0) return link;
  }
  return {};
}

SerialPortInfo Describe(udev_device* device, udev_device* usb) {
  SerialPortInfo port;
  port.device = Text(udev_device_get_devnode(device));
  port.byId = ByIdLink(device);
  port.vendorId = Text(udev_device_get_sysattr_value(usb, "idVendor"));
  port.productId = Text(udev_device_get_sysattr_value(usb, "idProduct"));
  port.manufacturer = Text(udev_device_get_sysattr_value(usb, "manufacturer"));
  port.product = Text(udev_device_get_sysattr_value(usb, "product"));
  port.serial = Text(udev_device_get_sysattr_value(usb, "serial"));
  port.holders = HoldersOf(port.device);
  return port;
}

std::string DescribeHolders(const std::vector<PortHolder>& holders) {
  std::string text;
  for (const PortHolder& holder : holders) {
    if (!text.empty()) text += ", ";
    text += holder.command + " (process " + std::to_string(holder.pid) + ")";
  }
  return text;
}

void PrintText(const std::vector<SerialPortInfo>& ports) {
  if (ports.empty()) {
    std::fputs("p42r: no USB serial or ACM port is plugged in\n", stderr);
    return;
  }
  for (const SerialPortInfo& port : ports) {
    std::printf("%s\n", port.device.c_str());
    if (!port.byId.empty()) std::printf("  by id:   %s\n", port.byId.c_str());
    std::printf("  device:  %s:%s %s %s\n", port.vendorId.c_str(), port.productId.c_str(), port.manufacturer.c_str(),
                port.product.c_str());
    if (!port.serial.empty()) std::printf("  serial:  %s\n", port.serial.c_str());
    std::printf("  in use:  %s\n", port.holders.empty() ? "no" : ("by " + DescribeHolders(port.holders)).c_str());
    std::printf("  modem:   %s\n", port.modemManager ? "managed by ModemManager" : "no modem manager uses it");
  }
}

void PrintJson(const std::vector<SerialPortInfo>& ports) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const SerialPortInfo& port : ports) {
    nlohmann::ordered_json holders = nlohmann::ordered_json::array();
    for (const PortHolder& holder : port.holders) holders.push_back({{"pid", holder.pid}, {"command", holder.command}});
    list.push_back({{"device", port.device},
                    {"byId", port.byId.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(port.byId)},
                    {"vendorId", port.vendorId},
                    {"productId", port.productId},
                    {"manufacturer", port.manufacturer},
                    {"product", port.product},
                    {"serial", port.serial},
                    {"busy", !port.holders.empty()},
                    {"heldBy", holders},
                    {"modemManager", port.modemManager}});
  }
  const nlohmann::ordered_json result = {
      {"command", "ports"}, {"ok", true}, {"result", "ok"}, {"exitCode", kExitOk}, {"ports", list}};
  std::printf("%s\n", result.dump().c_str());
}

}  // namespace

udev* ConnectToUdev() { return udev_new(); }

std::optional<std::vector<SerialPortInfo>> ListSerialPorts(UdevConnect connect) {
  const UdevPointer<udev> context(connect());
  if (!context) return std::nullopt;
  const UdevPointer<udev_enumerate> enumeration(udev_enumerate_new(context.get()));
  if (!enumeration || udev_enumerate_add_match_subsystem(enumeration.get(), "tty") < 0 ||
      udev_enumerate_scan_devices(enumeration.get()) < 0) {
    return std::nullopt;
  }
  std::vector<SerialPortInfo> ports;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration.get())) {
    const UdevPointer<udev_device> device(
        udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
    if (!device || udev_device_get_devnode(device.get()) == nullptr) continue;
    // A card is reached through a USB adapter or its own ACM interface; the
    // machine's built-in and virtual terminals are left out. The parent
    // belongs to the child and is not released on its own.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device.get(), "usb", "usb_device");
    if (usb == nullptr) continue;
    ports.push_back(Describe(device.get(), usb));
  }
  std::sort(ports.begin(), ports.end(),
            [](const SerialPortInfo& a, const SerialPortInfo& b) { return a.device < b.device; });
  return ports;
}

namespace {

bool IsNumber(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The pseudo-terminal number of /dev/pts/N, or -1.
int PtyNumber(const std::filesystem::path& device) {
  const std::string text = device.string();
  const std::string prefix = "/dev/pts/";
  if (text.rfind(prefix, 0) != 0 || !IsNumber(text.substr(prefix.size()))) return -1;
  return std::atoi(text.c_str() + prefix.size());
}

// Whether descriptor `fd` of `process` is the master of pty `number`: the
// far end of that port (a simulated card), not another user of it.
bool IsPtyMaster(const std::filesystem::path& process, const std::string& fd, int number) {
  std::ifstream info(process / "fdinfo" / fd);
  std::string line;
  while (std::getline(info, line)) {
    if (line.rfind("tty-index:", 0) == 0) return std::atoi(line.c_str() + 10) == number;
  }
  return false;
}

}  // namespace

std::vector<PortHolder> HoldersOf(const std::filesystem::path& device, const std::filesystem::path& procRoot) {
  std::vector<PortHolder> holders;
  const int ptyNumber = PtyNumber(device);
  // Processes come and go while they are looked at: every step takes its
  // error code, and one that went is simply not a holder.
  std::error_code error;
  for (std::filesystem::directory_iterator process(procRoot, error), end; !error && process != end;
       process.increment(error)) {
    const std::string name = process->path().filename().string();
    if (!IsNumber(name)) continue;
    bool holds = false;
    bool farEnd = false;
    std::error_code fdError;
    for (std::filesystem::directory_iterator descriptor(process->path() / "fd", fdError); !fdError && descriptor != end;
         descriptor.increment(fdError)) {
      std::error_code linkError;
      const auto target = std::filesystem::read_symlink(descriptor->path(), linkError);
      if (linkError) continue;
      if (target == device) holds = true;
      if (ptyNumber >= 0 && target == "/dev/ptmx" &&
          IsPtyMaster(process->path(), descriptor->path().filename().string(), ptyNumber)) {
        farEnd = true;
      }
    }
    if (!holds) continue;
    PortHolder holder;
    holder.pid = std::atoi(name.c_str());
    holder.farEnd = farEnd;
    std::ifstream comm(process->path() / "comm");
    std::getline(comm, holder.command);
    holders.push_back(holder);
  }
  std::sort(holders.begin(), holders.end(), [](const PortHolder& a, const PortHolder& b) { return a.pid < b.pid; });
  return holders;
}

void MarkModemManagerPorts(std::vector<SerialPortInfo>& ports, platform::ModemManager* manager) {
  if (manager == nullptr || ports.empty() || !manager->running().value.value_or(false)) return;
  for (SerialPortInfo& port : ports) {
    const auto uid = manager->modemDevice(std::filesystem::path(port.device).filename().string());
    port.modemManager = uid.value && !uid.value->empty();
  }
}

int RunPortsCommand(bool json, UdevConnect connect, platform::ModemManager* manager) {
  auto ports = ListSerialPorts(connect);
  if (!ports) {
    const char* const message =
        "cannot ask the device manager (udev) for the serial ports; give --port the device instead";
    // A script reading --json gets its one result line, as from every other command.
    if (json) {
      const nlohmann::ordered_json result = {{"command", "ports"},
                                             {"ok", false},
                                             {"result", "failed"},
                                             {"exitCode", kExitStartFailed},
                                             {"message", message}};
      std::printf("%s\n", result.dump().c_str());
    } else {
      std::fprintf(stderr, "p42r ports: %s\n", message);
    }
    return kExitStartFailed;
  }
  MarkModemManagerPorts(*ports, manager);
  if (json) {
    PrintJson(*ports);
  } else {
    PrintText(*ports);
  }
  return kExitOk;
}

}  // namespace p42r::program
