#include "DriveWalk.h"

#include "KernelObjects.h"
#include "standin/CodePage.h"
#include "standin/DriveMap.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace standin {

namespace {

bool isLink(int directory, const std::string& name) {
  struct stat status {};
  return ::fstatat(directory, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(status.st_mode);
}

}  // namespace

Descriptor::~Descriptor() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);
  }
}

Descriptor& Descriptor::operator=(Descriptor&& other) noexcept {
  if (this != &other) {
    Descriptor old(descriptor_);
    descriptor_ = other.release();
  }
  return *this;
}

int Descriptor::release() {
  const int descriptor = descriptor_;
  descriptor_ = -1;
  return descriptor;
}

std::optional<DriveEntry> openParentOnDrive(LPCSTR windowsPath) {
  const auto drivePath = windowsPath == nullptr || windowsPath[0] == '\0'
                             ? std::nullopt
                             : toDrivePath(ansiToUtf8(windowsPath));
  if (!drivePath) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return std::nullopt;
  }
  Descriptor directory(::open(drivePath->folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (directory.get() < 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return std::nullopt;
  }
  const auto& parts = drivePath->parts;
  for (std::size_t index = 0; index + 1 < parts.size(); ++index) {
    Descriptor next(::openat(directory.get(), parts[index].c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (next.get() < 0) {
      const int error = errno;
      if (isLink(directory.get(), parts[index])) {
        SetLastError(ERROR_STOPPED_ON_SYMLINK);
      } else {
        SetLastError(error == ENOENT || error == ENOTDIR ? ERROR_PATH_NOT_FOUND : win32ErrorFromErrno(error));
      }
      return std::nullopt;
    }
    directory = std::move(next);
  }
  return DriveEntry{std::move(directory), parts.empty() ? std::string() : parts.back()};
}

DWORD refusalToOpen(const struct stat& status, Access access) {
  if (S_ISLNK(status.st_mode)) {
    return ERROR_STOPPED_ON_SYMLINK;
  }
  if (S_ISDIR(status.st_mode)) {
    return ERROR_ACCESS_DENIED;
  }
  if (!S_ISREG(status.st_mode)) {
    return ERROR_CANT_ACCESS_FILE;
  }
  if (access == Access::Write && ((status.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0 || status.st_nlink > 1)) {
    return ERROR_CANT_ACCESS_FILE;
  }
  return ERROR_SUCCESS;
}

}  // namespace standin
