// Starts the CE application manager with its command line (its quoted path,
// a space and the quoted .ini paths) and waits for it to end, without time
// limit. Its exit code is not examined.
#pragma once

#include <string>

namespace desksetup {

enum class LaunchResult { Ran, NotStarted };

LaunchResult runAppManager(const std::wstring& commandLine);

}  // namespace desksetup
