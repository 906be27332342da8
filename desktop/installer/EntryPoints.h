// The work behind the three exports. Each builds the installer context,
// does its walk over the entries and destroys the context; every problem
// ends in the installation log and the result is always 0 (success). A
// failure raised inside the walk is caught here, logged with its text and
// followed by the entry point's summary message, so the installer never
// sees an exception.
#pragma once

#include "InstallerContext.h"
#include "Win32Api.h"

namespace desksetup {

enum class EntryPoint { InstallCEApps, RemoveCEApps, CEObjectCleanup };

UINT runEntryPoint(EntryPoint which, MSIHANDLE install);

// The walks themselves, on a populated context.
void installApps(InstallerContext& context);
void removeApps(InstallerContext& context);
void cleanupObjects(InstallerContext& context);

}  // namespace desksetup
