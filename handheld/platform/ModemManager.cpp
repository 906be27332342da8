#include "platform/ModemManager.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "platform/ModemManagerModule.h"

namespace p42r::platform {

namespace {

constexpr const char* kModuleName = "p42r-modemmanager.so";

// Beside the program in the build tree; installed, in the private library
// folder found relative to the program, so that a moved tree still works.
std::filesystem::path ModulePath() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path folder = error ? std::filesystem::path(".") : self.parent_path();
  const std::filesystem::path beside = folder / kModuleName;
  if (std::filesystem::exists(beside, error)) return beside;
  return folder / P42R_INSTALLED_MODULE_DIR / kModuleName;
}

// The module's table, loaded once for the process and never unloaded: GLib
// keeps threads and types of its own that cannot be taken back.
const p42r_mm_api* LoadModule(std::string& whyNot) {
  static const p42r_mm_api* api = nullptr;
  static std::string failure;
  static const bool loaded = [] {
    const auto path = ModulePath();
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* error = ::dlerror();
      failure = error != nullptr ? error : "cannot load " + path.string();
      return false;
    }
    const auto entry = reinterpret_cast<p42r_mm_entry>(::dlsym(handle, P42R_MODEM_MANAGER_ENTRY));
    api = entry != nullptr ? entry(P42R_MODEM_MANAGER_ABI) : nullptr;
    if (api == nullptr) failure = path.string() + " is not this version's ModemManager module";
    return api != nullptr;
  }();
  if (!loaded) whyNot = failure;
  return api;
}

class BusModemManager final : public ModemManager {
 public:
  BusModemManager(const p42r_mm_api& api, p42r_mm_bus* bus) : api_(api), bus_(bus) {}
  ~BusModemManager() override { api_.disconnect(bus_); }
  BusModemManager(const BusModemManager&) = delete;
  BusModemManager& operator=(const BusModemManager&) = delete;

  Answer<bool> running() override {
    char* error = nullptr;
    const int owned = api_.running(bus_, &error);
    if (owned < 0) return {std::nullopt, take(error)};
    return {owned == 1, {}};
  }

  Answer<std::string> modemDevice(const std::string& port) override {
    char* uid = nullptr;
    char* error = nullptr;
    const int found = api_.modem_device(bus_, port.c_str(), &uid, &error);
    if (found < 0) return {std::nullopt, take(error)};
    return {found == 1 ? take(uid) : std::string(), {}};
  }

  std::string inhibit(const std::string& uid) override { return call(uid, 1); }
  std::string release(const std::string& uid) override { return call(uid, 0); }

 private:
  std::string call(const std::string& uid, int inhibit) {
    char* error = nullptr;
    if (api_.inhibit(bus_, uid.c_str(), inhibit, &error) == 0) return {};
    const std::string message = take(error);
    return message.empty() ? "no reason given" : message;
  }

  std::string take(char* text) const {
    std::string copy = text != nullptr ? text : "";
    api_.free_text(text);
    return copy;
  }

  const p42r_mm_api& api_;
  p42r_mm_bus* bus_;
};

}  // namespace

std::unique_ptr<ModemManager> ConnectToModemManager(std::string& whyNot) {
  const p42r_mm_api* api = LoadModule(whyNot);
  if (api == nullptr) return nullptr;
  char* error = nullptr;
  p42r_mm_bus* bus = api->connect(&error);
  if (bus == nullptr) {
    whyNot = error != nullptr ? error : "cannot reach the system bus";
    api->free_text(error);
    return nullptr;
  }
  return std::make_unique<BusModemManager>(*api, bus);
}

}  // namespace p42r::platform
