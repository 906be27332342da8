// The installer handles of the stand-in: sessions, databases, views and
// records behind MSIHANDLE values, checked on every use. An object lives
// while a handle (or another object) still refers to it.
#pragma once

#include "Win32Api.h"

#include <memory>

namespace standin {

struct MsiObject {
  virtual ~MsiObject() = default;
};

MSIHANDLE addMsiObject(std::shared_ptr<MsiObject> object);
std::shared_ptr<MsiObject> findMsiObject(MSIHANDLE handle);
bool closeMsiObject(MSIHANDLE handle);
std::size_t openMsiHandleCountInTable();

template <typename Object>
std::shared_ptr<Object> findMsiObjectOf(MSIHANDLE handle) {
  return std::dynamic_pointer_cast<Object>(findMsiObject(handle));
}

}  // namespace standin
