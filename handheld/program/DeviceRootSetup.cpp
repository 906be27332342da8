#include "program/DeviceRootSetup.h"

#include <sys/stat.h>

#include "access/ClsDataFile.h"
#include "access/ManagementFileProvisioning.h"
#include "platform/LastError.h"
#include "platform/NamedMutex.h"
#include "program/ProgramOptions.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace p42r::program {

namespace {


bool OthersMayRead(const std::filesystem::path& path, mode_t bits) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && (info.st_mode & bits) != 0;
}

// The management file holds the administrator password under a scrambling
// anyone can undo: a root (or file) that other users can get into is told,
// with the command that closes it. The program never changes it itself: the
// directory may be one the user chose and shares on purpose.
void ReportExposure(const platform::DeviceRoot& deviceRoot, const std::filesystem::path& managementFile,
                    std::FILE* report) {
  if (!OthersMayRead(deviceRoot.directory(), S_IRWXG | S_IRWXO) &&
      !OthersMayRead(managementFile, S_IRGRP | S_IROTH)) {
    return;
  }
  const std::string root = deviceRoot.directory().string();
  std::fprintf(report,
               "p42r: other users can read the device root %s, and with it the administrator password; "
               "to keep it yours: chmod -R go-rwx '%s'\n",
               root.c_str(), root.c_str());
}

}  // namespace

void SetUpOwnedDeviceRoot(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot,
                          const platform::CodePage& codePage, std::FILE* report) {
  if (auto problem = access::SetUpManagementFile(files, deviceRoot, codePage)) {
    std::fprintf(report, "p42r: %s\n", problem->c_str());
  }
  const access::ClsDataFile dataFile(files, deviceRoot, codePage);
  if (const auto managementFile = deviceRoot.hostPath(dataFile.ManagementFilePath())) {
    ReportExposure(deviceRoot, *managementFile, report);
  }
}

int ResetManagementFileCommand(const platform::DeviceRoot& deviceRoot, const platform::CodePage& codePage) {
  std::uint32_t error = platform::ERROR_SUCCESS;
  const auto lock =
      platform::NamedMutex::create(deviceRoot, resources::LoadString(resources::strings::kAppTitle), error);
  if (!lock || error == platform::ERROR_ALREADY_EXISTS) {
    std::fprintf(stderr, "p42r: another copy is running on the device root %s; end it first\n",
                 deviceRoot.directory().c_str());
    return kExitAlreadyRunning;
  }
  platform::HostFileSystem files;
  if (auto problem = access::ResetManagementFile(files, deviceRoot, codePage)) {
    std::fprintf(stderr, "p42r: %s\n", problem->c_str());
    return kExitStartFailed;
  }
  std::fprintf(stdout,
               "p42r: the device root %s has a new handheld's management file: the common password applies "
               "and must be changed at the next authentication\n",
               deviceRoot.directory().c_str());
  return kExitOk;
}

}  // namespace p42r::program
