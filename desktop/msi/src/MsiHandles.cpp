#include "MsiHandles.h"

#include <map>
#include <mutex>

namespace standin {

namespace {

std::mutex tableLock;
std::map<MSIHANDLE, std::shared_ptr<MsiObject>> table;
MSIHANDLE nextHandle = 1;

}  // namespace

MSIHANDLE addMsiObject(std::shared_ptr<MsiObject> object) {
  std::lock_guard guard(tableLock);
  while (nextHandle == 0 || table.count(nextHandle) != 0) {
    ++nextHandle;
  }
  const MSIHANDLE handle = nextHandle++;
  table.emplace(handle, std::move(object));
  return handle;
}

std::shared_ptr<MsiObject> findMsiObject(MSIHANDLE handle) {
  std::lock_guard guard(tableLock);
  const auto found = table.find(handle);
  return found == table.end() ? nullptr : found->second;
}

bool closeMsiObject(MSIHANDLE handle) {
  std::shared_ptr<MsiObject> closing;
  std::lock_guard guard(tableLock);
  const auto found = table.find(handle);
  if (found == table.end()) {
    return false;
  }
  closing = std::move(found->second);
  table.erase(found);
  return true;
}

std::size_t openMsiHandleCountInTable() {
  std::lock_guard guard(tableLock);
  return table.size();
}

}  // namespace standin
