#include "card/CardRegistration.h"

#include "card/CardError.h"
#include "card/RegistryFile.h"

#include <cstdio>
#include <set>

namespace p42r::card {

namespace {

constexpr int kLowestComNumber = 0;
constexpr int kHighestComNumber = 9;

std::string activeKey(std::string_view subKey) { return std::string(kActiveDriversKey) + "\\" + std::string(subKey); }

void requireDeviceRoot(const std::filesystem::path& deviceRoot) {
  std::error_code error;
  if (!std::filesystem::is_directory(deviceRoot, error)) {
    throw CardError::invalid("device root " + deviceRoot.string() + " does not exist or is not a directory");
  }
}

std::string unusedSubKey(const RegistryDocument& document) {
  const std::vector<std::string> used = document.subKeys(kActiveDriversKey);
  for (int number = 1; number <= 99; ++number) {
    char name[4];
    std::snprintf(name, sizeof name, "%02d", number);
    bool taken = false;
    for (const auto& existing : used) taken = taken || sameKeyPath(existing, name);
    if (!taken) return name;
  }
  throw CardError::invalid("every sub-key 01 to 99 of Drivers\\Active is in use");
}

// COM numbers named by the "Name" values of the active drivers, with the key
// that holds each.
std::vector<std::pair<int, std::string>> comNamesInUse(const RegistryDocument& document) {
  std::vector<std::pair<int, std::string>> used;
  for (const auto& subKey : document.subKeys(kActiveDriversKey)) {
    const auto name = document.stringValue(activeKey(subKey), "Name");
    if (!name || name->size() != 5 || !sameKeyPath(name->substr(0, 3), "COM") || (*name)[4] != ':' ||
        (*name)[3] < '0' || (*name)[3] > '9') {
      continue;
    }
    used.emplace_back((*name)[3] - '0', activeKey(subKey));
  }
  return used;
}

int chooseComNumber(const RegistryDocument& document, std::optional<int> requested) {
  const auto used = comNamesInUse(document);
  if (requested) {
    if (*requested < kLowestComNumber || *requested > kHighestComNumber) {
      throw CardError::invalid("COM" + std::to_string(*requested) + ": is not a port name (COM0: to COM9:)");
    }
    for (const auto& [number, key] : used) {
      if (number == *requested) {
        throw CardError::invalid("COM" + std::to_string(number) + ": is already registered by " + key);
      }
    }
    return *requested;
  }
  // COM1: first and COM0: last, the order in which the handheld numbers ports.
  for (int candidate : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}) {
    bool taken = false;
    for (const auto& entry : used) taken = taken || entry.first == candidate;
    if (!taken) return candidate;
  }
  throw CardError::invalid("every port name COM0: to COM9: is registered already");
}

}  // namespace

std::filesystem::path registryPath(const std::filesystem::path& deviceRoot) { return deviceRoot / "registry.reg"; }

PortEntry registerPort(const std::filesystem::path& deviceRoot, CardPort port, const std::string& hostDevice,
                       std::optional<int> comNumber) {
  requireDeviceRoot(deviceRoot);
  const auto path = registryPath(deviceRoot);
  RegistryLock lock(path);
  RegistryDocument document = readRegistryFile(path);
  if (!document.hasKey(kActiveDriversKey)) {
    document.addKey(kActiveDriversKey, {});
  }
  PortEntry entry;
  entry.keyPath = activeKey(unusedSubKey(document));
  entry.comName = "COM" + std::to_string(chooseComNumber(document, comNumber)) + ":";
  entry.hostDevice = hostDevice;
  const std::string driverKey = std::string("Drivers\\PCMCIA\\Halvorn-P42R") + (port == CardPort::AtCommands ? "2" : "1");
  document.addKey(entry.keyPath, {
                                     {"PnpId", std::string(kCardPnpId)},
                                     {"Key", driverKey},
                                     {"Name", entry.comName},
                                     {"HostDevice", hostDevice},
                                 });
  writeRegistryFile(path, document);
  return entry;
}

bool unregisterPort(const std::filesystem::path& deviceRoot, const PortEntry& entry) {
  const auto path = registryPath(deviceRoot);
  std::error_code error;
  if (!std::filesystem::exists(path, error)) {
    return false;
  }
  RegistryLock lock(path);
  RegistryDocument document = readRegistryFile(path);
  // Only our own entry: if the key now describes another device, it is not ours.
  if (document.stringValue(entry.keyPath, "HostDevice") != entry.hostDevice) {
    return false;
  }
  document.removeKey(entry.keyPath);
  writeRegistryFile(path, document);
  return true;
}

CardRegistration::~CardRegistration() {
  try {
    removeAll();
  } catch (const CardError&) {
    // Nothing more can be done at this point; the caller that cares calls
    // removeAll() itself and reports the failure.
  }
}

const PortEntry& CardRegistration::add(CardPort port, const std::string& hostDevice, std::optional<int> comNumber) {
  entries_.push_back(registerPort(deviceRoot_, port, hostDevice, comNumber));
  return entries_.back();
}

void CardRegistration::removeAll() {
  while (!entries_.empty()) {
    unregisterPort(deviceRoot_, entries_.back());
    entries_.pop_back();
  }
}

}  // namespace p42r::card
