// Files and directories over POSIX. Share modes are kept with flock: a
// handle opened without sharing holds an exclusive lock, any other a shared
// one, so a file opened without sharing refuses every other opener with a
// sharing violation, in this process and in other stand-in processes.
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

BOOL failWithErrno(int error, const std::filesystem::path& path) {
  SetLastError(standin::win32ErrorFromErrno(error, error == ENOENT && !parentExists(path)));
  return FALSE;
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
  const auto path = hostPathOf(lpFileName);
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  struct stat before {};
  const bool existed = ::stat(path->c_str(), &before) == 0;
  if (existed && S_ISDIR(before.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  const int descriptor = ::open(path->c_str(), openFlags(dwDesiredAccess, dwCreationDisposition), 0666);
  if (descriptor < 0) {
    const int error = errno;
    failWithErrno(error, *path);
    if (error == EEXIST) {
      SetLastError(ERROR_FILE_EXISTS);
    }
    return INVALID_HANDLE_VALUE;
  }
  auto file = std::make_shared<standin::FileObject>(descriptor);
  const int lockKind = dwShareMode == 0 ? LOCK_EX : LOCK_SH;
  if (::flock(descriptor, lockKind | LOCK_NB) != 0) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  if (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == TRUNCATE_EXISTING) {
    // An empty file is left alone: on ext4 a truncation marks the file for
    // writeback at close, which would make closing a large new file wait.
    struct stat opened {};
    const bool empty = ::fstat(descriptor, &opened) == 0 && opened.st_size == 0;
    if (!empty && ::ftruncate(descriptor, 0) != 0) {
      failWithErrno(errno, *path);
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
  const auto path = hostPathOf(lpFileName);
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  struct stat status {};
  if (::lstat(path->c_str(), &status) != 0) {
    return failWithErrno(errno, *path);
  }
  if (S_ISDIR(status.st_mode)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // A file that another handle holds without sharing cannot be deleted.
  const int probe = ::open(path->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (probe >= 0) {
    const bool inUse = ::flock(probe, LOCK_EX | LOCK_NB) != 0;
    ::close(probe);
    if (inUse) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return FALSE;
    }
  }
  if (::unlink(path->c_str()) != 0) {
    return failWithErrno(errno, *path);
  }
  return TRUE;
}

extern "C" BOOL WINAPI CreateDirectoryA(LPCSTR lpPathName, LPSECURITY_ATTRIBUTES) {
  const auto path = hostPathOf(lpPathName);
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (::mkdir(path->c_str(), 0777) != 0) {
    return failWithErrno(errno, *path);
  }
  return TRUE;
}

extern "C" BOOL WINAPI RemoveDirectoryA(LPCSTR lpPathName) {
  const auto path = hostPathOf(lpPathName);
  if (!path) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (standin::driveFolder(letter) == *path) {
      SetLastError(ERROR_ACCESS_DENIED);  // a drive's root is never removed
      return FALSE;
    }
  }
  if (::rmdir(path->c_str()) != 0) {
    if (errno == ENOTDIR) {
      SetLastError(ERROR_DIRECTORY);
      return FALSE;
    }
    return failWithErrno(errno, *path);
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
    failWithErrno(errno, *path);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (S_ISDIR(status.st_mode)) {
    return FILE_ATTRIBUTE_DIRECTORY;
  }
  return (status.st_mode & S_IWUSR) == 0 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_ARCHIVE;
}
