// Reads of installer values (target paths of directories, properties) into
// a 1024-character buffer first and, for a longer value, a second read into
// one of its size; and the component states that decide which rows an entry
// point acts on.
#pragma once

#include "Win32Api.h"

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

InstallerValue targetPathOf(MSIHANDLE install, const std::string& directoryKey);
InstallerValue propertyOf(MSIHANDLE install, const std::string& name);

// A directory property read during removal; a failing call raises the
// installer-call failure naming "MsiGetProperty".
std::string directoryPropertyOf(MSIHANDLE install, const std::string& directoryKey);

// States of a component; a component the installer does not know keeps
// INSTALLSTATE_UNKNOWN for both, so it is never acted on.
ComponentStates componentStatesOf(MSIHANDLE install, const std::string& component);

}  // namespace desksetup
