#include "KernelObjects.h"

#include <cerrno>
#include <map>
#include <mutex>
#include <unistd.h>

namespace standin {

namespace {

std::mutex objectsLock;
std::map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
std::uintptr_t nextHandle = 0x100;

thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

FileObject::~FileObject() {
  if (fd >= 0) {
    ::close(fd);
  }
}

HANDLE addKernelObject(std::shared_ptr<KernelObject> object) {
  std::lock_guard guard(objectsLock);
  const std::uintptr_t value = nextHandle;
  nextHandle += 4;
  objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> findKernelObject(HANDLE handle) {
  std::lock_guard guard(objectsLock);
  const auto found = objects.find(reinterpret_cast<std::uintptr_t>(handle));
  return found == objects.end() ? nullptr : found->second;
}

bool closeKernelObject(HANDLE handle) {
  std::shared_ptr<KernelObject> closing;
  {
    std::lock_guard guard(objectsLock);
    const auto found = objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == objects.end()) {
      return false;
    }
    closing = std::move(found->second);
    objects.erase(found);
  }
  return true;
}

std::size_t openKernelHandleCount() {
  std::lock_guard guard(objectsLock);
  return objects.size();
}

DWORD win32ErrorFromErrno(int error, bool parentMissing) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case ENOENT:
      return parentMissing ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EBADF:
      return ERROR_INVALID_HANDLE;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case EWOULDBLOCK:
    case EBUSY:
      return ERROR_SHARING_VIOLATION;
    case ENOEXEC:
      return ERROR_BAD_EXE_FORMAT;
    case EIO:
      return ERROR_WRITE_FAULT;
    default:
      return ERROR_GEN_FAILURE;
  }
}

}  // namespace standin

extern "C" DWORD WINAPI GetLastError() { return standin::lastError; }

extern "C" void WINAPI SetLastError(DWORD dwErrCode) { standin::lastError = dwErrCode; }
