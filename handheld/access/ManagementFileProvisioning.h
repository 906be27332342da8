// What an installed handheld holds before its first start: a management file
// with no individual password (the common password applies), status "OK" and
// first-boot "1", so the first authentication leads to the password change.
//
// A device root gets that file once, when it is set up, and is then marked as
// set up (DeviceRoot::setUpMarker). From then on the file is the user's: a
// management file missing from a root that was in use stays missing, and the
// password screens refuse to go on, until a deliberate reset gives the root a
// new handheld's file again. Both calls are for the copy of the program that
// holds the device root's single-instance lock.
#pragma once

#include <optional>
#include <string>

#include "platform/DeviceRoot.h"
#include "platform/Files.h"
#include "platform/TextConversion.h"

namespace p42r::access {

// Sets a new root up (creates the file, then the marker); a root set up
// before keeps what it has. A root from before the marker existed that holds
// a management file is only marked. Nothing when all is well; otherwise what
// the user should know (a missing file, a failure), for standard error.
std::optional<std::string> SetUpManagementFile(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot,
                                               const platform::CodePage& codePage);

// Gives the root a new handheld's management file, replacing whatever is
// there, and marks it set up. Nothing on success, else what failed.
std::optional<std::string> ResetManagementFile(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot,
                                               const platform::CodePage& codePage);

}  // namespace p42r::access
