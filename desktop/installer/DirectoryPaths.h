// Directory work on Windows paths: recognising a drive root, creating a
// directory with all its missing parents, and removing emptied directories
// upwards without ever touching the drive root.
#pragma once

#include <string>

namespace desksetup {

// "C:", "C:\" or "C:/": a drive letter with at most one separator.
bool isDriveRoot(const std::string& path);
bool isExistingDirectory(const std::string& path);

// Success for a drive root or an existing directory; otherwise the parents
// are created first (their result is not examined) and the result is that
// of creating the directory itself.
bool createDirectoryTree(const std::string& path);

// Removes the directory (which must be empty), then each parent in turn,
// stopping at the first that cannot be removed or when the next one would
// be the drive root. A trailing backslash has been dropped already.
void removeEmptyDirectoriesUpwards(std::string path);

}  // namespace desksetup
