#include "access/ManagementFileProvisioning.h"

#include <cerrno>

#include "access/ClsDataFile.h"
#include "resources/StringTable.h"

namespace p42r::access {

std::optional<std::string> ProvisionManagementFile(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot,
                                                   const platform::CodePage& codePage) {
  const ClsDataFile dataFile(files, deviceRoot, codePage);
  const auto hostPath = deviceRoot.hostPath(dataFile.ManagementFilePath());
  if (!hostPath) return "the management file has no place in the device root";

  const auto present = files.size(*hostPath);
  if (present) return std::nullopt;
  if (present.error().code != ENOENT) {
    // Something is there that cannot be read; it is not ours to replace.
    return "cannot check the management file: " + present.error().describe();
  }
  const std::u16string statusOk = resources::LoadString(40300);
  const std::u16string firstBoot = resources::LoadString(40302);
  const platform::FileStatus written =
      dataFile.WriteManagementFile(u"", statusOk, firstBoot, platform::ExistingFile::Keep);
  // Another start may have created it in the meantime; that one stays.
  if (!written || written->code == EEXIST) return std::nullopt;
  return "cannot create the management file: " + written->describe();
}

}  // namespace p42r::access
