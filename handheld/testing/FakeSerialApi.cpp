#include "testing/FakeSerialApi.h"

#include <algorithm>

#include "platform/LastError.h"

namespace p42r::testing {

using platform::PortHandle;

void FakeSerialApi::addDevice(std::u16string name) {
  std::lock_guard lock(mutex_);
  devices_.push_back(std::move(name));
}

void FakeSerialApi::removeDevice(const std::u16string& name) {
  std::lock_guard lock(mutex_);
  std::erase(devices_, name);
}

void FakeSerialApi::feed(std::string_view bytes) {
  {
    std::lock_guard lock(mutex_);
    incoming_.append(bytes);
  }
  changed_.notify_all();
}

std::vector<std::string> FakeSerialApi::writes() const {
  std::lock_guard lock(mutex_);
  return writes_;
}

void FakeSerialApi::clearWrites() {
  std::lock_guard lock(mutex_);
  writes_.clear();
}

void FakeSerialApi::onWoken(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  onWoken_ = std::move(hook);
}

void FakeSerialApi::onWait(std::function<void()> hook) {
  std::lock_guard lock(mutex_);
  onWait_ = std::move(hook);
}

void FakeSerialApi::onWrite(std::function<void(const std::string&)> action) {
  std::lock_guard lock(mutex_);
  onWrite_ = std::move(action);
}


bool FakeSerialApi::isOpen() const {
  std::lock_guard lock(mutex_);
  return open_ != platform::INVALID_PORT_HANDLE;
}

std::uint32_t FakeSerialApi::eventMask() const {
  std::lock_guard lock(mutex_);
  return mask_;
}

platform::Dcb FakeSerialApi::lastState() const {
  std::lock_guard lock(mutex_);
  return dcb_;
}

platform::CommTimeouts FakeSerialApi::lastTimeouts() const {
  std::lock_guard lock(mutex_);
  return timeouts_;
}

int FakeSerialApi::purges() const {
  std::lock_guard lock(mutex_);
  return purges_;
}

bool FakeSerialApi::valid(PortHandle port) const { return port != platform::INVALID_PORT_HANDLE && port == open_; }

PortHandle FakeSerialApi::CreateFile(std::u16string_view name) {
  std::lock_guard lock(mutex_);
  if (std::find(devices_.begin(), devices_.end(), name) == devices_.end()) {
    platform::SetLastError(2);
    return platform::INVALID_PORT_HANDLE;
  }
  if (open_ != platform::INVALID_PORT_HANDLE) {
    platform::SetLastError(55);  // the device is in use
    return platform::INVALID_PORT_HANDLE;
  }
  open_ = nextHandle_++;
  incoming_.clear();
  mask_ = 0;
  return open_;
}

bool FakeSerialApi::SetCommTimeouts(PortHandle port, const platform::CommTimeouts& timeouts) {
  std::lock_guard lock(mutex_);
  if (!valid(port)) return platform::SetLastError(6), false;
  timeouts_ = timeouts;
  return true;
}

bool FakeSerialApi::GetCommState(PortHandle port, platform::Dcb& dcb) {
  std::lock_guard lock(mutex_);
  if (!valid(port)) return platform::SetLastError(6), false;
  dcb = dcb_;
  return true;
}

bool FakeSerialApi::SetCommState(PortHandle port, const platform::Dcb& dcb) {
  std::lock_guard lock(mutex_);
  if (!valid(port)) return platform::SetLastError(6), false;
  dcb_ = dcb;
  return true;
}

bool FakeSerialApi::SetCommMask(PortHandle port, std::uint32_t mask) {
  {
    std::lock_guard lock(mutex_);
    if (!valid(port)) return platform::SetLastError(6), false;
    mask_ = mask;
    ++maskChanges_;
  }
  changed_.notify_all();
  return true;
}

bool FakeSerialApi::WaitCommEvent(PortHandle port, std::uint32_t& events) {
  std::function<void()> hook;
  {
    std::lock_guard lock(mutex_);
    hook = onWait_;
  }
  if (hook) hook();
  std::unique_lock lock(mutex_);
  if (!valid(port)) return platform::SetLastError(6), false;
  // As the real port: with no events to wait for the wait fails at once, so
  // a reader whose mask was cleared just before it waits is not left blocked.
  if (mask_ == 0) return platform::SetLastError(87), false;
  const std::uint64_t changesAtStart = maskChanges_;
  changed_.wait(lock, [&] {
    return !valid(port) || maskChanges_ != changesAtStart || ((mask_ & platform::EV_RXCHAR) && !incoming_.empty());
  });
  if (!valid(port)) return platform::SetLastError(6), false;
  events = maskChanges_ != changesAtStart ? 0 : platform::EV_RXCHAR;
  hook = events != 0 ? onWoken_ : nullptr;
  lock.unlock();
  if (hook) hook();
  return true;
}

bool FakeSerialApi::ClearCommError(PortHandle port, std::uint32_t& bytesWaiting) {
  std::lock_guard lock(mutex_);
  if (!valid(port)) return platform::SetLastError(6), false;
  bytesWaiting = static_cast<std::uint32_t>(incoming_.size());
  return true;
}

bool FakeSerialApi::ReadFile(PortHandle port, char* buffer, std::uint32_t count, std::uint32_t& read) {
  std::lock_guard lock(mutex_);
  if (!valid(port)) return platform::SetLastError(6), false;
  read = static_cast<std::uint32_t>(std::min<std::size_t>(count, incoming_.size()));
  std::copy_n(incoming_.data(), read, buffer);
  incoming_.erase(0, read);
  return true;
}

bool FakeSerialApi::PurgeComm(PortHandle port, std::uint32_t flags) {
  std::lock_guard lock(mutex_);
  if (!valid(port)) return platform::SetLastError(6), false;
  if (flags & platform::PURGE_RXCLEAR) incoming_.clear();
  ++purges_;
  return true;
}

platform::EventHandle FakeSerialApi::CreateEvent() {
  std::lock_guard lock(mutex_);
  return nextEvent_++;
}

void FakeSerialApi::CloseEvent(platform::EventHandle) {}

bool FakeSerialApi::WriteFile(PortHandle port, const char* data, std::uint32_t count, std::uint32_t& written,
                              platform::EventHandle) {
  std::function<void(const std::string&)> action;
  std::string bytes(data, count);
  {
    std::lock_guard lock(mutex_);
    if (!valid(port)) return platform::SetLastError(6), false;
    writes_.push_back(bytes);
    action = onWrite_;
    written = count;
  }
  if (action) action(bytes);
  return true;
}

// Every write completes at once, so there is never a write to wait for.
bool FakeSerialApi::WaitForSingleObject(platform::EventHandle, std::chrono::milliseconds) { return true; }

bool FakeSerialApi::CloseHandle(PortHandle port) {
  {
    std::lock_guard lock(mutex_);
    if (!valid(port)) return platform::SetLastError(6), false;
    open_ = platform::INVALID_PORT_HANDLE;
    mask_ = 0;
  }
  changed_.notify_all();
  return true;
}

}  // namespace p42r::testing
