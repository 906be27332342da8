// A named mutex of the emulated handheld: one per name and device root,
// across processes. Held for the life of the object (and of the process).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/DeviceRoot.h"

namespace p42r::platform {

class NamedMutex {
 public:
  // CreateMutex(initially owned): the mutex, or nothing with `error` set to
  // ERROR_ALREADY_EXISTS (another process holds it) or another system error.
  static std::unique_ptr<NamedMutex> create(const DeviceRoot& root, const std::u16string& name, std::uint32_t& error);

  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

 private:
  explicit NamedMutex(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace p42r::platform
