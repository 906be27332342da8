#include "WinePrefix.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>

namespace desktoptest {

namespace {

constexpr int kBootDeadlineSeconds = 300;
constexpr int kIdleDeadlineSeconds = 120;
constexpr int kQuickDeadlineSeconds = 60;

}  // namespace

WinePrefix::WinePrefix(std::string loader, std::filesystem::path folder)
    : loader_(std::move(loader)), folder_(std::move(folder)), driveC_(folder_ / "drive_c") {}

EnvironmentChanges WinePrefix::environment(const EnvironmentChanges& extra) const {
  EnvironmentChanges changes = {
      {"WINEPREFIX", folder_.string()},
      {"WINEDEBUG", "-all"},
      // No Mono or Gecko download dialogs; the package needs neither.
      {"WINEDLLOVERRIDES", "mscoree,mshtml="},
      // The loader's own architecture decides the prefix's: a 64-bit
      // loader makes a 64-bit prefix (32-bit programs need wine32 anyway).
      {"WINEARCH", std::nullopt},
      {"WINELOADER", loader_},
      {"DISPLAY", std::nullopt},
      {"WAYLAND_DISPLAY", std::nullopt},
  };
  for (const auto& [name, value] : extra) {
    changes[name] = value;
  }
  return changes;
}

std::unique_ptr<WinePrefix> WinePrefix::create(const std::string& loader, std::string& problem) {
  const ProgramResult version = runProgram({loader, "--version"}, kQuickDeadlineSeconds);
  if (version.status != 0) {
    problem = "Wine is not usable (" + loader + " --version: " + describe(version) +
              "); scripts/install-deps.sh installs wine, wine64 and wine32:i386";
    return nullptr;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "desksetup-wine-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    problem = "cannot create a folder for the Wine prefix in " + std::filesystem::temp_directory_path().string();
    return nullptr;
  }
  std::unique_ptr<WinePrefix> prefix(new WinePrefix(loader, pattern));
  const auto started = std::chrono::steady_clock::now();
  const ProgramResult boot = prefix->wine({"wineboot", "--init"}, kBootDeadlineSeconds);
  prefix->creationSeconds_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  if (boot.status != 0 || !std::filesystem::is_directory(prefix->driveC_ / "windows")) {
    problem = "Wine could not create its prefix in " + pattern + " (wineboot --init: " + describe(boot) + ")";
    return nullptr;
  }
  std::cerr << "wine: prefix " << pattern << " (" << loader << ")" << " created in " << prefix->creationSeconds_ << " s\n";
  return prefix;
}

WinePrefix::~WinePrefix() {
  runProgram({"wineserver", "-k"}, kQuickDeadlineSeconds, environment({}));
  std::error_code ignored;
  std::filesystem::remove_all(folder_, ignored);
}

ProgramResult WinePrefix::wine(const std::vector<std::string>& arguments, int deadlineSeconds,
                               const EnvironmentChanges& extra) const {
  std::vector<std::string> command = {loader_};
  command.insert(command.end(), arguments.begin(), arguments.end());
  ProgramResult result = runProgram(command, deadlineSeconds, environment(extra));
  // Programs the call started in the prefix (a custom action server, a
  // console host) end before the next call looks at the files.
  const ProgramResult idle = runProgram({"wineserver", "-w"}, kIdleDeadlineSeconds, environment({}));
  if (idle.timedOut) {
    result.output += "\n(the prefix did not become idle within " + std::to_string(kIdleDeadlineSeconds) + " s)";
  }
  return result;
}

std::filesystem::path WinePrefix::hostPathOf(const std::string& windowsPath) const {
  std::string relative = windowsPath;
  if (relative.size() >= 3 && (relative[0] == 'C' || relative[0] == 'c') && relative[1] == ':' && relative[2] == '\\') {
    relative.erase(0, 3);
  }
  std::replace(relative.begin(), relative.end(), '\\', '/');
  return driveC_ / relative;
}

std::string WinePrefix::windowsPathOf(const std::filesystem::path& hostPath) {
  std::string path = "Z:" + std::filesystem::absolute(hostPath).lexically_normal().string();
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

const WinePrefix* sharedWinePrefix(std::string& problem) {
  static std::string creationProblem;
  static const std::unique_ptr<WinePrefix> prefix = WinePrefix::create(wineLoader(), creationProblem);
  problem = creationProblem;
  return prefix.get();
}

const std::string& wineLoader() {
  // P42R_WINE_LOADER stands in another loader, so that a machine that cannot
  // run this architecture can be played by a test.
  static const std::string loader = [] {
    const char* chosen = std::getenv("P42R_WINE_LOADER");
    return std::string(chosen != nullptr && *chosen != '\0' ? chosen : WINE_LOADER);
  }();
  return loader;
}

const std::string& wineLoaderPackage() {
  static const std::string package = WINE_LOADER_PACKAGE;
  return package;
}

}  // namespace desktoptest
