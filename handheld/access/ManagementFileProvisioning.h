// What an installed handheld holds before its first start: a management file
// with no individual password (the common password applies), status "OK" and
// first-boot "1", so the first authentication leads to the password change.
// A management file that is already there is never replaced.
#pragma once

#include <optional>
#include <string>

#include "platform/DeviceRoot.h"
#include "platform/Files.h"
#include "platform/TextConversion.h"

namespace p42r::access {

// Creates the management file when it is missing. Nothing when the file is
// there afterwards (created now or before); otherwise what went wrong, for
// the user.
std::optional<std::string> ProvisionManagementFile(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot,
                                                   const platform::CodePage& codePage);

}  // namespace p42r::access
