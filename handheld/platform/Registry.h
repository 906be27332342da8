// The handheld registry, read-only, over the device root's registry.reg in
// the REGEDIT4 text format. The calls and their results follow the system's
// registry functions (0 success, 2 not found, 234 more data, 259 no more
// items), so the code that walks it meets the same outcomes it would there.
// The file is read again whenever a key is opened from a root, so a card
// plugged in after start-up is seen. Keys and value names compare without
// regard to letter case; sub-keys enumerate in name order.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Files.h"

namespace p42r::platform {

using RegKey = std::uint32_t;
inline constexpr RegKey HKEY_LOCAL_MACHINE = 0x80000002;

inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_REG_INVALID_HANDLE = 6;
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr long ERROR_REG_NO_MORE_ITEMS = 259;

enum class RegValueType : std::uint8_t { String, Dword, Other };

struct RegValue {
  RegValueType type = RegValueType::String;
  std::u16string text;     // String
  std::uint32_t number = 0;  // Dword
};

// Parsed registry content: key path (as written, e.g.
// "HKEY_LOCAL_MACHINE\Drivers\Active\04") to its values.
struct RegistryData {
  struct Key {
    std::u16string path;
    std::vector<std::pair<std::u16string, RegValue>> values;
  };
  std::vector<Key> keys;
};

// Reads REGEDIT4 text; lines it does not understand are skipped. Never throws.
RegistryData ParseRegistryText(std::string_view text);

// The registry calls as the code that walks the keys makes them; a test may
// put a failing registry in front of the real one.
class RegistryApi {
 public:
  virtual long RegOpenKeyEx(RegKey parent, std::u16string_view subKey, RegKey& result) = 0;
  virtual long RegQueryInfoKey(RegKey key, std::uint32_t& subKeyCount) = 0;
  // `nameCapacity` is the buffer size in characters including the terminating zero.
  virtual long RegEnumKeyEx(RegKey key, std::uint32_t index, std::u16string& name,
                            std::uint32_t nameCapacity = 64) = 0;
  // `capacityBytes` is the value buffer size in bytes (a string needs 2 per character plus 2).
  virtual long RegQueryValueEx(RegKey key, std::u16string_view name, RegValue& value,
                               std::uint32_t capacityBytes) = 0;
  virtual long RegCloseKey(RegKey key) = 0;

 protected:
  ~RegistryApi() = default;
};

class Registry final : public RegistryApi {
 public:
  // Reads `file` from the host's file system, or through `files`, which
  // must outlive the registry.
  explicit Registry(std::filesystem::path file);
  Registry(std::filesystem::path file, FileSystem& files);

  long RegOpenKeyEx(RegKey parent, std::u16string_view subKey, RegKey& result) override;
  long RegQueryInfoKey(RegKey key, std::uint32_t& subKeyCount) override;
  long RegEnumKeyEx(RegKey key, std::uint32_t index, std::u16string& name, std::uint32_t nameCapacity = 64) override;
  long RegQueryValueEx(RegKey key, std::u16string_view name, RegValue& value, std::uint32_t capacityBytes) override;
  long RegCloseKey(RegKey key) override;

  // The host device behind a port name such as "COM4:" (the driver entry's
  // "HostDevice" value), or nothing. Colons do not count on either side, as
  // port discovery drops them: "COM4" and "COM4:" name the same port.
  std::optional<std::string> hostDeviceFor(std::u16string_view portName);

 private:
  struct Node {
    std::u16string name;
    std::map<std::u16string, std::unique_ptr<Node>> children;  // by folded name
    std::vector<std::pair<std::u16string, RegValue>> values;
  };
  void load();
  Node* resolve(RegKey key);

  std::filesystem::path file_;
  std::unique_ptr<FileSystem> ownFiles_;
  FileSystem& files_;
  std::mutex mutex_;
  std::shared_ptr<Node> root_;
  std::map<RegKey, std::pair<std::shared_ptr<Node>, Node*>> open_;  // keeps its snapshot alive
  RegKey nextKey_ = 1;
};

}  // namespace p42r::platform
