// The device root's own files, looked after by the copy of p42r that holds
// the root's single-instance lock: the management file of a new root, a
// deliberate reset of it, and a word when other users can read the root.
#pragma once

#include <cstdio>

#include "platform/DeviceRoot.h"
#include "platform/Files.h"
#include "platform/TextConversion.h"

namespace p42r::program {

// Once this copy holds the lock: sets a new root's management file up and
// tells `report` (at most one line each) what the user should know.
void SetUpOwnedDeviceRoot(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot,
                          const platform::CodePage& codePage, std::FILE* report);

// --reset-management-file: takes the lock, gives the root a new handheld's
// management file and says so; the exit code (kExitAlreadyRunning when
// another copy holds the root).
int ResetManagementFileCommand(const platform::DeviceRoot& deviceRoot, const platform::CodePage& codePage);

}  // namespace p42r::program
