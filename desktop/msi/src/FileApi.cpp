// Files and directories over POSIX. Share modes are kept with flock: a
// handle opened without sharing holds an exclusive lock, any other a shared
// one, so a file opened without sharing refuses every other opener with a
// sharing violation, in this process and in other stand-in processes.
// Every path is reached below its drive's folder without following a link
// (see DriveWalk.h); what a write may not replace is refused before it is
// touched, and nothing is opened in a way that could block on a FIFO or a
// device.
#include "DriveWalk.h"
#include "KernelObjects.h"
#include "standin/CodePage.h"
#include "standin/DriveMap.h"
#include "standin/FaultInjection.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::optional<std::filesystem::path> hostPathOf(LPCSTR windowsPath) {
  if (windowsPath == nullptr || windowsPath[0] == '\0') {
    return std::nullopt;
  }
  return standin::toHostPath(standin::ansiToUtf8(windowsPath));
}

bool parentExists(const std::filesystem::path& path) {
  struct stat status {};
  return ::stat(path.parent_path().c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void setLastErrorFromErrno(int error) {
  switch (error) {
    case ELOOP:
      SetLastError(ERROR_STOPPED_ON_SYMLINK);  // the last part is a link
      return;
    case ENXIO:
      SetLastError(ERROR_CANT_ACCESS_FILE);  // a FIFO without reader or a device without its hardware
      return;
    case EEXIST:
      SetLastError(ERROR_FILE_EXISTS);
      return;
    default:
      // The parent is open, so a missing entry is the file itself.
      SetLastError(standin::win32ErrorFromErrno(error));
      return;
  }
}

int openFlags(DWORD access, DWORD disposition) {
  int flags = O_CLOEXEC;
  const bool reads = (access & GENERIC_READ) != 0;
  const bool writes = (access & GENERIC_WRITE) != 0;
  flags |= reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  switch (disposition) {
    case CREATE_NEW:
      flags |= O_CREAT | O_EXCL;
      break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
      flags |= O_CREAT;
      break;
    default:
      break;
  }
  return flags;
}

}  // namespace

extern "C" HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition, DWORD, HANDLE) {
  if (const auto fault = standin::takeFault("CreateFileA")) {
    SetLastError(fault->error);
    return INVALID_HANDLE_VALUE;
  }
  if (dwCreationDisposition < CREATE_NEW || dwCreationDisposition > TRUNCATE_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const auto entry = standin::openParentOnDrive(lpFileName);
  if (!entry) {
    return INVALID_HANDLE_VALUE;
  }
  if (entry->name.empty()) {
    SetLastError(ERROR_ACCESS_DENIED);  // the drive's folder is a directory
    return INVALID_HANDLE_VALUE;
  }
  const int parent = entry->parent.get();
  const char* name = entry->name.c_str();
  const auto access = (dwDesiredAccess & GENERIC_WRITE) != 0 ? standin::Access::Write : standin::Access::Read;
  struct stat before {};
  const bool existed = ::fstatat(parent, name, &before, AT_SYMLINK_NOFOLLOW) == 0;
  if (const DWORD refusal = existed ? standin::refusalToOpen(before, access) : ERROR_SUCCESS;
      refusal != ERROR_SUCCESS) {
    SetLastError(refusal);
    return INVALID_HANDLE_VALUE;
  }
  const int descriptor = ::openat(parent, name,
                                  openFlags(dwDesiredAccess, dwCreationDisposition) | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY,
                                  0666);
  if (descriptor < 0) {
    setLastErrorFromErrno(errno);
    return INVALID_HANDLE_VALUE;
  }
  auto file = std::make_shared<standin::FileObject>(descriptor);
  // Looked at again through the descriptor: the entry may have been swapped
  // since it was looked at by name. Nothing has been truncated yet.
  struct stat opened {};
  if (::fstat(descriptor, &opened) != 0) {
    SetLastError(standin::win32ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  if (const DWORD refusal = standin::refusalToOpen(opened, access); refusal != ERROR_SUCCESS) {
    SetLastError(refusal);
    return INVALID_HANDLE_VALUE;
  }
  ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
  const int lockKind = dwShareMode == 0 ? LOCK_EX : LOCK_SH;
  if (::flock(descriptor, lockKind | LOCK_NB) != 0) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  if (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING) {
    // An empty file is left alone: on ext4 a truncation marks the file for
    // writeback at close, which would make closing a large new file wait.
    if (opened.st_size != 0 && ::ftruncate(descriptor, 0) != 0) {
      SetLastError(standin::win32ErrorFromErrno(errno));
      return INVALID_HANDLE_VALUE;
    }
  }
  const bool reportsExisting =
      existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS);
  SetLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return standin::addKernelObject(std::move(file));
}

extern "C" BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                 LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED) {
  if (lpNumberOfBytesWritten != nullptr) {
    *lpNumberOfBytesWritten = 0;
  }
  const auto file = standin::findKernelObjectOf<standin::FileObject>(hFile);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DWORD total = nNumberOfBytesToWrite;
  if (const auto fault = standin::takeFault("WriteFile")) {
    total /= 2;  // a short write that reports the fault's error
    SetLastError(fault->error);
  }
  const auto* bytes = static_cast<const char*>(lpBuffer);
  DWORD written = 0;
  while (written < total) {
    const ssize_t done = ::write(file->fd, bytes + written, total - written);
    if (done < 0) {
      if (errno == EINTR) {
        continue;
      }
      SetLastError(standin::win32ErrorFromErrno(errno));
      if (lpNumberOfBytesWritten != nullptr) {
        *lpNumberOfBytesWritten = written;
      }
      return FALSE;
    }
    written += static_cast<DWORD>(done);
  }
  if (lpNumberOfBytesWritten != nullptr) {
    *lpNumberOfBytesWritten = written;
  }
  return TRUE;
}

extern "C" BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                                LPDWORD lpNumberOfBytesRead, LPOVERLAPPED) {
  if (lpNumberOfBytesRead != nullptr) {
    *lpNumberOfBytesRead = 0;
  }
  const auto file = standin::findKernelObjectOf<standin::FileObject>(hFile);
  if (!file) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  for (;;) {
    const ssize_t done = ::read(file->fd, lpBuffer, nNumberOfBytesToRead);
    if (done < 0 && errno == EINTR) {
      continue;
    }
    if (done < 0) {
      SetLastError(standin::win32ErrorFromErrno(errno));
      return FALSE;
    }
    if (lpNumberOfBytesRead != nullptr) {
      *lpNumberOfBytesRead = static_cast<DWORD>(done);
    }
    return TRUE;
  }
}

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject) {
  if (!standin::closeKernelObject(hObject)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL WINAPI DeleteFileA(LPCSTR lpFileName) {
  const auto entry = standin::openParentOnDrive(lpFileName);
  if (!entry) {
    return FALSE;
  }
  const int parent = entry->parent.get();
  const char* name = entry->name.c_str();
  struct stat status {};
  if (entry->name.empty() || ::fstatat(parent, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
    SetLastError(entry->name.empty() ? ERROR_ACCESS_DENIED : standin::win32ErrorFromErrno(errno));
    return FALSE;
  }
  if (S_ISDIR(status.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // A file that another handle holds without sharing cannot be deleted. A
  // link goes itself, never what it points to.
  if (S_ISREG(status.st_mode)) {
    const standin::Descriptor probe(::openat(parent, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY));
    if (probe.get() >= 0 && ::flock(probe.get(), LOCK_EX | LOCK_NB) != 0) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
  }
  if (::unlinkat(parent, name, 0) != 0) {
    SetLastError(standin::win32ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  const auto entry = standin::openParentOnDrive(lpPathName);
  if (!entry) {
    return FALSE;
  }
  if (entry->name.empty() || ::mkdirat(entry->parent.get(), entry->name.c_str(), 0777) != 0) {
    SetLastError(entry->name.empty() ? ERROR_ALREADY_EXISTS : standin::win32ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
  const auto path = hostPathOf(lpPathName);
  const auto entry = standin::openParentOnDrive(lpPathName);
  if (!path || !entry) {
    return FALSE;
  }
  bool isADrivesRoot = entry->name.empty();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    isADrivesRoot = isADrivesRoot || standin::driveFolder(letter) == *path;
  }
  if (isADrivesRoot) {
    SetLastError(ERROR_ACCESS_DENIED);  // a drive's root is never removed
    return FALSE;
  }
  if (::unlinkat(entry->parent.get(), entry->name.c_str(), AT_REMOVEDIR) != 0) {
    // A link to a directory is not a directory: it stays, and so does its target.
    SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY : standin::win32ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

extern "C" DWORD WINAPI GetFileAttributesA(LPCSTR lpFileName) {
  const auto path = hostPathOf(lpFileName);
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat status {};
  if (::stat(path->c_str(), &status) != 0) {
    const int error = errno;
    SetLastError(standin::win32ErrorFromErrno(error, error == ENOENT && !parentExists(*path)));
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(status.st_mode)) {
    return FILE_ATTRIBUTE_DIRECTORY;
  }
  return (status.st_mode & S_IWUSR) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_ARCHIVE;
}
