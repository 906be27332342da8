// Owners that close an installer handle or a kernel handle when they go out
// of scope, so that every path out of an operation releases what it opened.
#pragma once

#include "Win32Api.h"

namespace desksetup {

class ScopedMsiHandle {
public:
  ScopedMsiHandle() = default;
  explicit ScopedMsiHandle(MSIHANDLE handle) : handle_(handle) {}
  ~ScopedMsiHandle() { reset(); }
  ScopedMsiHandle(const ScopedMsiHandle&) = delete;
  ScopedMsiHandle& operator=(const ScopedMsiHandle&) = delete;

  MSIHANDLE get() const { return handle_; }
  MSIHANDLE* receive() {
    reset();
    return &handle_;
  }
  void reset() {
    if (handle_ != 0) {
      MsiCloseHandle(handle_);
      handle_ = 0;
    }
  }

private:
  MSIHANDLE handle_ = 0;
};

class ScopedKernelHandle {
public:
  explicit ScopedKernelHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedKernelHandle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) {
      CloseHandle(handle_);
    }
  }
  ScopedKernelHandle(const ScopedKernelHandle&) = delete;
  ScopedKernelHandle& operator=(const ScopedKernelHandle&) = delete;

  HANDLE get() const { return handle_; }

private:
  HANDLE handle_;
};

}  // namespace desksetup
