#include "link/PortDiscovery.h"

#include <cstdio>

#include "platform/TextConversion.h"
#include "resources/StringTable.h"

namespace p42r::link {

namespace {

constexpr std::uint32_t kActiveDrivers = 40009;  // Drivers\Active
constexpr std::uint32_t kPnpIdValue = 40010;
constexpr std::uint32_t kModuleId = 40011;       // Halvorn-P42R
constexpr std::uint32_t kKeyValue = 40012;
constexpr std::uint32_t kAtPortKeyEnd = 40014;   // "2"
constexpr std::uint32_t kNameValue = 40015;
constexpr std::uint32_t kPnpIdBytes = 512;
constexpr std::uint32_t kKeyBytes = 512;
constexpr std::uint32_t kNameBytes = 128;
constexpr std::uint32_t kSubKeyChars = 64;
constexpr std::size_t kModuleIdLength = 12;

std::u16string Format(const char* format, long a, long b = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b);
  return platform::FromUtf8(text);
}

// A string value read into a buffer of `capacity` bytes; nothing when it cannot be read.
std::optional<std::u16string> ReadString(platform::RegistryApi& registry, platform::RegKey key, std::uint32_t nameId,
                                         std::uint32_t capacity) {
  platform::RegValue value;
  if (registry.RegQueryValueEx(key, resources::LoadString(nameId), value, capacity) != 0) return std::nullopt;
  if (value.type != platform::RegValueType::String) return std::nullopt;
  return value.text;
}

}  // namespace

bool CheckOSVersion(const std::optional<platform::OsVersion>& version, platform::DiagnosticLog& log) {
  if (!version) return false;
  log.line(u"OSVersionGet");
  if (version->platformId == 3 && version->major == 4) return true;
  log.line(u"OSVersionFail");
  return false;
}

bool FindModulePort(platform::RegistryApi& registry, platform::DiagnosticLog& log, std::vector<std::u16string>& ports) {
  std::u16string detail;
  log.line(u"OpenRegistry");
  platform::RegKey drivers = 0;
  if (registry.RegOpenKeyEx(platform::HKEY_LOCAL_MACHINE, resources::LoadString(kActiveDrivers), drivers) != 0) {
    return false;
  }
  std::uint32_t count = 0;
  if (registry.RegQueryInfoKey(drivers, count) != 0) {
    registry.RegCloseKey(drivers);
    return false;
  }
  const std::u16string moduleId = resources::LoadString(kModuleId);
  const std::u16string keyEnd = resources::LoadString(kAtPortKeyEnd);
  for (std::int64_t index = static_cast<std::int64_t>(count) - 1; index >= 0; --index) {
    std::u16string subKeyName;
    const long enumResult = registry.RegEnumKeyEx(drivers, static_cast<std::uint32_t>(index), subKeyName, kSubKeyChars);
    if (enumResult != 0) {
      detail = Format("Fail to get COM port dwRes=0x%lx", enumResult);
      break;
    }
    platform::RegKey driver = 0;
    const long openResult = registry.RegOpenKeyEx(drivers, subKeyName, driver);
    if (openResult != 0) {
      detail = Format("RegOpenKeyEx fail: nSubKeyNum=%ld dwRes=0x%lx", static_cast<long>(index), openResult);
      break;
    }
    const auto pnpId = ReadString(registry, driver, kPnpIdValue, kPnpIdBytes);
    if (!pnpId || pnpId->substr(0, kModuleIdLength) != moduleId) {
      registry.RegCloseKey(driver);
      continue;
    }
    const auto key = ReadString(registry, driver, kKeyValue, kKeyBytes);
    if (!key || key->empty() || key->substr(key->size() - 1) != keyEnd) {
      registry.RegCloseKey(driver);
      continue;
    }
    const auto name = ReadString(registry, driver, kNameValue, kNameBytes);
    if (!name) {
      registry.RegCloseKey(driver);
      continue;
    }
    std::u16string portName;
    for (const char16_t c : *name) {
      if (c != u':') portName += c;
    }
    ports.push_back(std::move(portName));
    registry.RegCloseKey(driver);
    registry.RegCloseKey(drivers);
    return true;
  }
  log.line(u"Fail to get Port->" + detail);
  registry.RegCloseKey(drivers);
  return false;
}

}  // namespace p42r::link
