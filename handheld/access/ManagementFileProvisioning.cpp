#include "access/ManagementFileProvisioning.h"

#include <cerrno>

#include "access/ClsDataFile.h"
#include "resources/StringTable.h"

namespace p42r::access {

namespace {

constexpr std::string_view kMarkerText =
    "This device root was set up by p42r; its management file was created then.\n"
    "p42r --reset-management-file gives it a new handheld's management file again.\n";

platform::FileStatus WriteNewHandheldFile(const ClsDataFile& dataFile, platform::ExistingFile existing) {
  return dataFile.WriteManagementFile(u"", resources::LoadString(40300), resources::LoadString(40302), existing);
}

std::optional<std::string> Mark(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot) {
  const platform::FileStatus marked = platform::ReplaceFileContent(
      files, deviceRoot.setUpMarker(), kMarkerText, platform::FileAttribute::Normal, platform::ExistingFile::Keep);
  if (!marked || marked->code == EEXIST) return std::nullopt;
  return "cannot mark the device root as set up: " + marked->describe();
}

}  // namespace

std::optional<std::string> SetUpManagementFile(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot,
                                               const platform::CodePage& codePage) {
  const ClsDataFile dataFile(files, deviceRoot, codePage);
  const auto hostPath = deviceRoot.hostPath(dataFile.ManagementFilePath());
  if (!hostPath) return "the management file has no place in the device root";

  // A marker that cannot be looked at counts as there: nothing is replaced.
  const auto marker = files.size(deviceRoot.setUpMarker());
  const bool setUp = marker.ok() || marker.error().code != ENOENT;
  const auto present = files.size(*hostPath);
  if (present) return setUp ? std::nullopt : Mark(files, deviceRoot);
  if (present.error().code != ENOENT) {
    // Something is there that cannot be read; it is not ours to replace.
    return "cannot check the management file: " + present.error().describe();
  }
  if (setUp) {
    return "the management file " + hostPath->string() +
           " is missing from a device root that was in use; the password screens will stop. "
           "p42r --reset-management-file gives the root a new handheld's management file";
  }
  const platform::FileStatus written = WriteNewHandheldFile(dataFile, platform::ExistingFile::Keep);
  if (written && written->code != EEXIST) return "cannot create the management file: " + written->describe();
  return Mark(files, deviceRoot);
}

std::optional<std::string> ResetManagementFile(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot,
                                               const platform::CodePage& codePage) {
  const ClsDataFile dataFile(files, deviceRoot, codePage);
  if (const platform::FileStatus written = WriteNewHandheldFile(dataFile, platform::ExistingFile::Replace)) {
    return "cannot write the management file: " + written->describe();
  }
  return Mark(files, deviceRoot);
}

}  // namespace p42r::access
