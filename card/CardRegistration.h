// The card's driver entries in the emulated handheld's registry
// (DEVICE_ROOT/registry.reg): one key under HKEY_LOCAL_MACHINE\Drivers\Active
// per port, with "PnpId", "Key", "Name" = "COMn:" and "HostDevice" = the host
// device behind it. The AT-command port's "Key" ends in "2", the card's other
// port's in "1". Entries are removed again on unplug or exit, leaving the
// rest of the registry as it was.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace p42r::card {

enum class CardPort {
  AtCommands,
  Other,
};

struct PortEntry {
  std::string keyPath;     // HKEY_LOCAL_MACHINE\Drivers\Active\NN
  std::string comName;     // "COM4:"
  std::string hostDevice;  // the pty slave
};

inline constexpr std::string_view kActiveDriversKey = "HKEY_LOCAL_MACHINE\\Drivers\\Active";
inline constexpr std::string_view kCardPnpId = "Halvorn-P42R-0001";

std::filesystem::path registryPath(const std::filesystem::path& deviceRoot);

// Adds an entry for `port`. `comNumber` 0 to 9 asks for that COM name; none
// takes the lowest free one from COM1:. Throws CardError: invalid input for a
// missing device root, a foreign registry file or a COM name in use; system
// failure when the file cannot be written.
PortEntry registerPort(const std::filesystem::path& deviceRoot, CardPort port, const std::string& hostDevice,
                       std::optional<int> comNumber);

// Removes `entry` if the registry still holds it for the same host device;
// returns whether it did. Throws CardError like registerPort.
bool unregisterPort(const std::filesystem::path& deviceRoot, const PortEntry& entry);

// Owns registered entries and removes them when destroyed.
class CardRegistration {
public:
  explicit CardRegistration(std::filesystem::path deviceRoot) : deviceRoot_(std::move(deviceRoot)) {}
  ~CardRegistration();
  CardRegistration(const CardRegistration&) = delete;
  CardRegistration& operator=(const CardRegistration&) = delete;

  const PortEntry& add(CardPort port, const std::string& hostDevice, std::optional<int> comNumber);
  // Removes every entry; throws CardError on the first that fails, keeping
  // the entries not yet removed.
  void removeAll();

  const std::vector<PortEntry>& entries() const { return entries_; }

private:
  std::filesystem::path deviceRoot_;
  std::vector<PortEntry> entries_;
};

}  // namespace p42r::card
