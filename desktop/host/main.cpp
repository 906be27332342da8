// desksetup-host: runs one DeskSetup entry point on a package, the way the
// installer runs a custom action, and prints the installation log.
#include "CustomActionLibrary.h"
#include "HostOptions.h"
#include "standin/CodePage.h"
#include "standin/DriveMap.h"
#include "p42r/Version.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace {

constexpr int kBadCommandLine = 2;
constexpr int kInstallFailure = 1603 % 256;
constexpr int kPackageOpenFailed = 1619 % 256;

std::filesystem::path defaultRoot() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  std::filesystem::path base;
  if (dataHome != nullptr && *dataHome != '\0') {
    base = dataHome;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home != nullptr ? home : ".") / ".local" / "share";
  }
  return base / "p42r" / "desktop-root";
}

// Beside the program in the build tree; installed, in the private library
// folder found relative to the program, so that a moved tree still works.
std::filesystem::path defaultLibrary() {
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  const std::filesystem::path folder = error ? std::filesystem::path(".") : self.parent_path();
  const std::filesystem::path beside = folder / "DeskSetup.so";
  if (std::filesystem::exists(beside, error)) {
    return beside;
  }
  return folder / P42R_INSTALLED_MODULE_DIR / "DeskSetup.so";
}

int fail(int status, const std::string& message) {
  std::cerr << "desksetup-host: " << message << '\n';
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace desksetup::host;
  const auto parsed = parseHostOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (!parsed.options) {
    std::cerr << "desksetup-host: " << parsed.error << "\nTry 'desksetup-host --help'.\n";
    return kBadCommandLine;
  }
  const HostOptions& options = *parsed.options;
  if (options.help) {
    std::cout << usageText();
    return 0;
  }
  if (options.version) {
    std::cout << "desksetup-host " P42R_VERSION "\n";
    return 0;
  }
  if (!standin::setAnsiCodePage(options.codePage)) {
    return fail(kBadCommandLine, "code page " + std::to_string(options.codePage) + " is not supported");
  }

  const std::filesystem::path root = options.root.value_or(defaultRoot());
  std::error_code error;
  std::filesystem::create_directories(root, error);
  if (error) {
    return fail(kBadCommandLine, "cannot create the drive folder " + root.string() + ": " + error.message());
  }
  standin::mapDrive('C', root);
  for (const auto& [letter, folder] : options.drives) {
    standin::mapDrive(letter, folder);
  }
  standin::exportDrivesToEnvironment();
  standin::quietLibraryWarnings();

  standin::SessionSetup setup;
  setup.package = options.package;
  setup.properties = options.properties;
  setup.components = options.components;
  setup.otherComponents = options.otherComponents.value_or(defaultPlanOf(options.command));
  std::string message;
  const auto session = standin::InstallerSession::open(setup, message);
  if (!session) {
    return fail(kPackageOpenFailed, "cannot open the package " + options.package.string() + ": " + message);
  }

  const std::filesystem::path libraryPath = options.library.value_or(defaultLibrary());
  const auto library = CustomActionLibrary::load(libraryPath, message);
  if (!library) {
    return fail(kInstallFailure, "cannot load " + libraryPath.string() + ": " + message);
  }
  const char* exportName = exportNameOf(options.command);
  const CustomAction action = library->entryPoint(exportName);
  if (action == nullptr) {
    return fail(kInstallFailure, libraryPath.string() + " has no export " + exportName);
  }

  const UINT result = action(session->newInstallerHandle());
  for (const std::string& line : session->log()) {
    std::cout << line << '\n';
  }
  std::cout.flush();
  if (result != ERROR_SUCCESS) {
    return fail(kInstallFailure, std::string(exportName) + " returned " + std::to_string(result));
  }
  return 0;
}
