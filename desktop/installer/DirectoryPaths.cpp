#include "DirectoryPaths.h"

#include "TextSplit.h"
#include "Win32Api.h"

#include <cctype>

namespace desksetup {

bool isDriveRoot(const std::string& path) {
  if (path.size() < 2 || path.size() > 3 || path[1] != ':' ||
      std::isalpha(static_cast<unsigned char>(path[0])) == 0) {
    return false;
  }
  return path.size() == 2 || path[2] == '\\' || path[2] == '/';
}

bool isExistingDirectory(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool createDirectoryTree(const std::string& path) {
  if (isDriveRoot(path) || isExistingDirectory(path)) {
    return true;
  }
  const auto parts = splitText(std::string_view(path), '\\');
  if (parts.size() > 1) {
    std::string parent;
    for (std::size_t index = 0; index + 1 < parts.size(); ++index) {
      parent += parts[index];
      parent += '\\';
    }
    if (parent.size() < path.size()) {
      createDirectoryTree(parent);
    }
  }
  return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

void removeEmptyDirectoriesUpwards(std::string path) {
  while (!path.empty() && !isDriveRoot(path)) {
    if (RemoveDirectoryA(path.c_str()) == FALSE) {
      return;
    }
    const auto cut = path.find_last_of('\\');
    if (cut == std::string::npos) {
      return;
    }
    path.resize(cut);
  }
}

}  // namespace desksetup
