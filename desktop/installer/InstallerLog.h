// The library's only way of reporting: an informational message in the
// installation log. Nothing is shown in a dialog.
#pragma once

#include "Win32Api.h"

#include <string>

namespace desksetup {

// Sends the ANSI text as field 1 of a one-field record (no template) with
// INSTALLMESSAGE_INFO.
void logMessage(MSIHANDLE install, const std::string& text);

}  // namespace desksetup
