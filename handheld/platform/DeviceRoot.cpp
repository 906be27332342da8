#include "platform/DeviceRoot.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/TextConversion.h"

namespace p42r::platform {

namespace fs = std::filesystem;

DeviceRoot::DeviceRoot(fs::path directory) : directory_(std::move(directory)) {}

namespace {

// Creates `directory` and whatever of its parents is missing, each new one
// for its owner alone whatever the umask: the root holds the administrator
// password. Directories that are already there are left as they are.
std::error_code CreatePrivateDirectories(const fs::path& directory) {
  std::error_code error;
  if (fs::is_directory(directory, error)) return {};
  const fs::path parent = directory.parent_path();
  if (!parent.empty() && parent != directory) {
    if (const std::error_code failed = CreatePrivateDirectories(parent)) return failed;
  }
  if (::mkdir(directory.c_str(), 0700) != 0) {
    if (errno == EEXIST && fs::is_directory(directory, error)) return {};
    return std::error_code(errno, std::generic_category());
  }
  if (::chmod(directory.c_str(), 0700) != 0) return std::error_code(errno, std::generic_category());
  return {};
}

// The root holds the administrator password and names the port the program
// talks to: another user who owns it, or may write into it, could plant the
// files the program trusts. Returns why the root is unsafe, as ssh does for
// its own directory.
std::optional<std::string> UnsafeOwnership(const fs::path& directory) {
  struct stat status {};
  if (::stat(directory.c_str(), &status) != 0) return "cannot be examined: " + std::string(std::strerror(errno));
  if (status.st_uid != ::geteuid()) {
    return "belongs to another user (uid " + std::to_string(status.st_uid) +
           "): use a directory of your own, or have its owner run the program";
  }
  if ((status.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return "may be written by others: make it yours alone with chmod go-w " + directory.string();
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> DeviceRoot::prepare(bool createIfMissing) const {
  std::error_code error;
  const std::string shown = directory_.string();
  if (!fs::exists(directory_, error)) {
    if (!createIfMissing) return "device root " + shown + " does not exist";
    if (const std::error_code failed = CreatePrivateDirectories(directory_)) {
      return "cannot create device root " + shown + ": " + failed.message();
    }
  }
  if (!fs::is_directory(directory_, error)) return "device root " + shown + " is not a directory";
  if (auto unsafe = UnsafeOwnership(directory_)) return "device root " + shown + " " + *unsafe;
  if (::access(directory_.c_str(), R_OK | W_OK | X_OK) != 0) {
    return "device root " + shown + " cannot be written";
  }
  for (const fs::path& inside : {hostPath(moduleFileName())->parent_path(), lockDirectory()}) {
    if (const std::error_code failed = CreatePrivateDirectories(inside)) {
      return "cannot create " + inside.string() + ": " + failed.message();
    }
  }
  return std::nullopt;
}

std::optional<fs::path> DeviceRoot::hostPath(std::u16string_view handheldPath) const {
  fs::path result = directory_;
  std::size_t start = 0;
  while (start <= handheldPath.size()) {
    std::size_t end = handheldPath.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = handheldPath.size();
    const std::u16string_view part = handheldPath.substr(start, end - start);
    if (part == u"..") return std::nullopt;
    if (!part.empty() && part != u".") {
      if (part.find(u'\0') != std::u16string_view::npos || part.find(u':') != std::u16string_view::npos) {
        return std::nullopt;
      }
      result /= ToUtf8(part);
    }
    start = end + 1;
  }
  return result;
}

std::optional<fs::path> DefaultDeviceRoot() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
    return fs::path(data) / "p42r" / "device";
  }
  // No shared fallback such as /tmp: a root there could be anyone's.
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home != '/') return std::nullopt;
  return fs::path(home) / ".local" / "share" / "p42r" / "device";
}

}  // namespace p42r::platform
