// Decides whether a file name taken from the package names a file inside
// the row's directory. Names come from the package author's table, so a
// name that climbs out of the directory (a ".." part), starts at a root, or
// names a drive or stream is refused instead of being joined to the path,
// and so is a name holding a double quote (it would split the application
// manager's command line) or a control character.
#pragma once

#include <string_view>

namespace desksetup {

// What the file system below the library does to names. On Windows a
// device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9), also with an
// extension ("COM1.cab"), opens the device in every directory, and a
// trailing dot or space is dropped ("name." writes "name"): such parts are
// refused there. The host folders of the Linux build keep every name.
enum class NameRules { HostFolders, Windows };

// The rules of the system this build runs on.
extern const NameRules kBuildNameRules;

bool staysInDirectory(std::wstring_view fileName, NameRules rules = kBuildNameRules);

// True when text has neither a double quote nor a control character, so
// that it can stand quoted in a command line and in the log.
bool isPlainText(std::wstring_view text);

}  // namespace desksetup
