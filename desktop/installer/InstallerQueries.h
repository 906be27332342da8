// Reads of installer strings (target paths of directories, properties,
// record fields) into a first buffer and, for a longer value, a second read
// into one of its size; and the component states that decide which rows an
// entry point acts on.
#pragma once

#include "Win32Api.h"

#include <functional>
#include <string>

namespace desksetup {

struct ComponentStates {
  INSTALLSTATE installed = INSTALLSTATE_UNKNOWN;
  INSTALLSTATE action = INSTALLSTATE_UNKNOWN;
};

struct InstallerValue {
  UINT result = ERROR_SUCCESS;
  std::string text;  // empty unless result is ERROR_SUCCESS
};

// The one way every string comes out of the installer: `read` makes the call
// with a buffer and its size, which the call sets to the length it wrote or,
// with ERROR_MORE_DATA, to the length it needs. A value of a megabyte or
// more stays unread (ERROR_MORE_DATA).
InstallerValue readInstallerString(DWORD firstSize, const std::function<UINT(char*, DWORD*)>& read);

InstallerValue targetPathOf(MSIHANDLE install, const std::string& directoryKey);
InstallerValue propertyOf(MSIHANDLE install, const std::string& name);

// A directory property read during removal; a failing call raises the
// installer-call failure naming "MsiGetProperty".
std::string directoryPropertyOf(MSIHANDLE install, const std::string& directoryKey);

// States of a component; a component the installer does not know keeps
// INSTALLSTATE_UNKNOWN for both, so it is never acted on.
ComponentStates componentStatesOf(MSIHANDLE install, const std::string& component);

}  // namespace desksetup
