#include "testing/FaultySerialApi.h"

#include <new>
#include <utility>

#include "platform/LastError.h"

namespace p42r::testing {

using platform::EventHandle;
using platform::PortHandle;

void FaultySerialApi::failNext(SerialCall call, std::uint32_t lastError) {
  std::lock_guard lock(mutex_);
  failures_[call] = lastError;
}

void FaultySerialApi::pendNextWrite(PendingWrite outcome) {
  std::lock_guard lock(mutex_);
  nextWrite_ = outcome;
}

void FaultySerialApi::exhaustMemoryOnNextRead() {
  std::lock_guard lock(mutex_);
  exhaustNextRead_ = true;
}

bool FaultySerialApi::armed(SerialCall call) const {
  std::lock_guard lock(mutex_);
  return failures_.contains(call);
}

bool FaultySerialApi::fails(SerialCall call) {
  std::uint32_t error = 0;
  {
    std::lock_guard lock(mutex_);
    const auto it = failures_.find(call);
    if (it == failures_.end()) return false;
    error = it->second;
    failures_.erase(it);
  }
  platform::SetLastError(error);
  return true;
}

PortHandle FaultySerialApi::CreateFile(std::u16string_view name) {
  return fails(SerialCall::CreateFile) ? platform::INVALID_PORT_HANDLE : inner_.CreateFile(name);
}

bool FaultySerialApi::SetCommTimeouts(PortHandle port, const platform::CommTimeouts& timeouts) {
  return !fails(SerialCall::SetCommTimeouts) && inner_.SetCommTimeouts(port, timeouts);
}

bool FaultySerialApi::GetCommState(PortHandle port, platform::Dcb& dcb) {
  return !fails(SerialCall::GetCommState) && inner_.GetCommState(port, dcb);
}

bool FaultySerialApi::SetCommState(PortHandle port, const platform::Dcb& dcb) {
  return !fails(SerialCall::SetCommState) && inner_.SetCommState(port, dcb);
}

bool FaultySerialApi::SetCommMask(PortHandle port, std::uint32_t mask) {
  return !fails(mask == 0 ? SerialCall::ClearCommMask : SerialCall::ArmCommMask) && inner_.SetCommMask(port, mask);
}

bool FaultySerialApi::WaitCommEvent(PortHandle port, std::uint32_t& events) {
  return inner_.WaitCommEvent(port, events);
}

bool FaultySerialApi::ClearCommError(PortHandle port, std::uint32_t& bytesWaiting) {
  return inner_.ClearCommError(port, bytesWaiting);
}

bool FaultySerialApi::ReadFile(PortHandle port, char* buffer, std::uint32_t count, std::uint32_t& read) {
  {
    std::lock_guard lock(mutex_);
    if (std::exchange(exhaustNextRead_, false)) throw std::bad_alloc();
  }
  return inner_.ReadFile(port, buffer, count, read);
}

bool FaultySerialApi::PurgeComm(PortHandle port, std::uint32_t flags) { return inner_.PurgeComm(port, flags); }

EventHandle FaultySerialApi::CreateEvent() { return fails(SerialCall::CreateEvent) ? 0 : inner_.CreateEvent(); }

void FaultySerialApi::CloseEvent(EventHandle event) {
  {
    std::lock_guard lock(mutex_);
    pendingWrites_.erase(event);
  }
  inner_.CloseEvent(event);
}

bool FaultySerialApi::WriteFile(PortHandle port, const char* data, std::uint32_t count, std::uint32_t& written,
                                EventHandle completion) {
  if (fails(SerialCall::WriteFile)) return false;
  std::optional<PendingWrite> outcome;
  {
    std::lock_guard lock(mutex_);
    outcome = std::exchange(nextWrite_, std::nullopt);
  }
  if (!outcome) return inner_.WriteFile(port, data, count, written, completion);
  if (*outcome == PendingWrite::CompletesInTime && !inner_.WriteFile(port, data, count, written, completion) &&
      platform::GetLastError() != platform::ERROR_IO_PENDING) {
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    pendingWrites_[completion] = *outcome;
  }
  written = 0;
  platform::SetLastError(platform::ERROR_IO_PENDING);
  return false;
}

bool FaultySerialApi::WaitForSingleObject(EventHandle event, std::chrono::milliseconds timeout) {
  {
    std::lock_guard lock(mutex_);
    const auto it = pendingWrites_.find(event);
    if (it != pendingWrites_.end()) return it->second == PendingWrite::CompletesInTime;
  }
  return inner_.WaitForSingleObject(event, timeout);
}

bool FaultySerialApi::CloseHandle(PortHandle port) {
  return !fails(SerialCall::CloseHandle) && inner_.CloseHandle(port);
}

}  // namespace p42r::testing
