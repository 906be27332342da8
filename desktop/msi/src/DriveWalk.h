// Reaching what a Windows path names below its drive's folder one part at a
// time, each opened relative to the directory before it and never through a
// symbolic link: a link planted inside a drive, by a package or by anyone
// who may write there, cannot send a write or a delete outside it. The
// drive's folder itself is taken as mapped, links and all, since whoever
// mapped the drive chose it.
#pragma once

#include "Win32Api.h"

#include <optional>
#include <string>
#include <sys/stat.h>

namespace standin {

// Owns a file descriptor and closes it.
class Descriptor {
public:
  explicit Descriptor(int descriptor = -1) : descriptor_(descriptor) {}
  ~Descriptor();
  Descriptor(Descriptor&& other) noexcept : descriptor_(other.release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept;
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;

  int get() const { return descriptor_; }
  int release();

private:
  int descriptor_;
};

struct DriveEntry {
  Descriptor parent;  // the directory that holds the last part (an O_PATH descriptor)
  std::string name;   // the last part; empty when the path names the drive's folder itself
};

// The directory that holds the last part of an ANSI Windows path, or
// nullopt with the thread's last error set: ERROR_PATH_NOT_FOUND for an
// unmapped drive, a missing directory or a file on the way,
// ERROR_STOPPED_ON_SYMLINK for a link on the way.
std::optional<DriveEntry> openParentOnDrive(LPCSTR windowsPath);

enum class Access { Read, Write };

// Why an existing entry may not be opened, or ERROR_SUCCESS: a link
// (ERROR_STOPPED_ON_SYMLINK), a directory (ERROR_ACCESS_DENIED), anything
// but a regular file (ERROR_CANT_ACCESS_FILE), and for writing also a
// program or a file that has other names (ERROR_CANT_ACCESS_FILE), which a
// write would change wherever it is run or read from.
DWORD refusalToOpen(const struct stat& status, Access access);

}  // namespace standin
