// A registry that fails when a test says so: in front of the real one, the
// next call of a chosen kind returns a chosen result once (opening one
// sub-key, enumerating at one index, the sub-key count); every other call
// goes through.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "platform/Registry.h"

namespace p42r::testing {

class FaultyRegistry final : public platform::RegistryApi {
 public:
  explicit FaultyRegistry(platform::RegistryApi& inner) : inner_(inner) {}

  // Sub-key names compare without regard to letter case, as the registry's do.
  void failNextOpenOf(std::u16string subKey, long result) { openFailure_ = std::make_pair(std::move(subKey), result); }
  void failNextEnumAt(std::uint32_t index, long result) { enumFailure_ = std::make_pair(index, result); }
  void failNextQueryInfo(long result) { queryInfoFailure_ = result; }

  long RegOpenKeyEx(platform::RegKey parent, std::u16string_view subKey, platform::RegKey& result) override {
    if (openFailure_ && SameName(openFailure_->first, subKey)) return std::exchange(openFailure_, std::nullopt)->second;
    return inner_.RegOpenKeyEx(parent, subKey, result);
  }
  long RegQueryInfoKey(platform::RegKey key, std::uint32_t& subKeyCount) override {
    if (queryInfoFailure_) return *std::exchange(queryInfoFailure_, std::nullopt);
    return inner_.RegQueryInfoKey(key, subKeyCount);
  }
  long RegEnumKeyEx(platform::RegKey key, std::uint32_t index, std::u16string& name,
                    std::uint32_t nameCapacity = 64) override {
    if (enumFailure_ && enumFailure_->first == index) return std::exchange(enumFailure_, std::nullopt)->second;
    return inner_.RegEnumKeyEx(key, index, name, nameCapacity);
  }
  long RegQueryValueEx(platform::RegKey key, std::u16string_view name, platform::RegValue& value,
                       std::uint32_t capacityBytes) override {
    return inner_.RegQueryValueEx(key, name, value, capacityBytes);
  }
  long RegCloseKey(platform::RegKey key) override { return inner_.RegCloseKey(key); }

 private:
  static bool SameName(std::u16string_view a, std::u16string_view b) {
    const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; };
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
  }

  platform::RegistryApi& inner_;
  std::optional<std::pair<std::u16string, long>> openFailure_;
  std::optional<std::pair<std::uint32_t, long>> enumFailure_;
  std::optional<long> queryInfoFailure_;
};

}  // namespace p42r::testing
