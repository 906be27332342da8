// Arbitrary text as the device root's registry.reg, read the way port
// discovery walks it: parsing never fails, and each of the first keys the
// parser found under HKEY_LOCAL_MACHINE opens; every key's sub-key count
// matches what enumerating it gives before "no more items", and each of
// those opens.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "testing/MemoryFileSystem.h"
#include "platform/Registry.h"

namespace {

using namespace p42r;
using namespace p42r::platform;

void Check(bool condition) {
  if (!condition) std::abort();
}

// The registry file, kept in memory: the registry reads it through the file
// system it is given, and the disk would only add its own cost.
testing::MemoryFileSystem& Files() {
  static testing::MemoryFileSystem files;
  return files;
}

const std::filesystem::path kRegistryFile = "/device/Windows/registry.reg";

// Walks the key and those below it, at most `depth` levels down.
void Walk(Registry& registry, RegKey key, int depth) {
  std::uint32_t count = 0;
  Check(registry.RegQueryInfoKey(key, count) == 0);
  std::uint32_t index = 0;
  std::u16string name;
  for (; registry.RegEnumKeyEx(key, index, name, 1024) == 0; ++index) {
    RegKey child = 0;
    Check(registry.RegOpenKeyEx(key, name, child) == 0);
    RegValue value;
    (void)registry.RegQueryValueEx(child, u"Key", value, 64);
    if (depth > 0) Walk(registry, child, depth - 1);
    registry.RegCloseKey(child);
  }
  Check(index == count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const RegistryData parsed = ParseRegistryText(text);
  Files().contents[kRegistryFile] = std::string(text);
  Registry registry(kRegistryFile, Files());
  // Every open from the root reads the file again; the keys below are opened
  // from one open of the root, so an input costs one or two reads, not ten.
  const std::u16string_view root = u"HKEY_LOCAL_MACHINE\\";
  RegKey machine = 0;
  const bool machineOpens = registry.RegOpenKeyEx(HKEY_LOCAL_MACHINE, u"", machine) == 0;
  for (std::size_t index = 0, checked = 0; index < parsed.keys.size() && checked < 8; ++index) {
    const auto& key = parsed.keys[index];
    if (key.path.size() <= root.size() || key.path.compare(0, root.size(), root) != 0) continue;
    const std::u16string_view below = std::u16string_view(key.path).substr(root.size());
    if (below.find_first_not_of(u'\\') == std::u16string_view::npos) continue;
    ++checked;
    Check(machineOpens);
    RegKey opened = 0;
    Check(registry.RegOpenKeyEx(machine, below, opened) == 0);
    registry.RegCloseKey(opened);
  }
  RegKey active = 0;
  if (machineOpens && registry.RegOpenKeyEx(machine, u"Drivers\\Active", active) == 0) {
    Walk(registry, active, 2);
    registry.RegCloseKey(active);
    // Without that key the port's device is not looked for at all.
    (void)registry.hostDeviceFor(u"COM4:");
  }
  if (machineOpens) registry.RegCloseKey(machine);
  return 0;
}
