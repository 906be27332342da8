// Decides whether a file name taken from the package names a file inside
// the row's directory. Names come from the package author's table, so a
// name that climbs out of the directory (a ".." part), starts at a root, or
// names a drive or stream is refused instead of being joined to the path.
#pragma once

#include <string_view>

namespace desksetup {

bool staysInDirectory(std::wstring_view fileName);

}  // namespace desksetup
