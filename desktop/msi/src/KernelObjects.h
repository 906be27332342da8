// The kernel handles of the stand-in: open files and started processes,
// each behind a HANDLE value that is checked on every use, plus the
// translation of errno values into Win32 error codes.
#pragma once

#include "Win32Api.h"

#include <memory>
#include <sys/types.h>

namespace standin {

struct KernelObject {
  virtual ~KernelObject() = default;
};

struct FileObject : KernelObject {
  explicit FileObject(int descriptor) : fd(descriptor) {}
  ~FileObject() override;
  int fd;
};

struct ProcessObject : KernelObject {
  explicit ProcessObject(pid_t processId) : pid(processId) {}
  pid_t pid;
  bool exited = false;
  DWORD exitCode = 0;
};

struct ThreadObject : KernelObject {};

HANDLE addKernelObject(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> findKernelObject(HANDLE handle);
bool closeKernelObject(HANDLE handle);
std::size_t openKernelHandleCount();

template <typename Object>
std::shared_ptr<Object> findKernelObjectOf(HANDLE handle) {
  return std::dynamic_pointer_cast<Object>(findKernelObject(handle));
}

// errno after a failed call on a path; pathMissing tells ENOENT on a file
// (2) from ENOENT on one of its directories (3).
DWORD win32ErrorFromErrno(int error, bool parentMissing = false);

}  // namespace standin
