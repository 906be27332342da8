#include "program/MeteredLink.h"

#include <algorithm>

#include "platform/LastError.h"

namespace p42r::program {

// The ledger's calls never touch the last error a caller is about to read.

void MeteredSerialApi::listening(platform::PortHandle port, bool armed) {
  std::lock_guard lock(mutex_);
  if (armed) {
    armed_[port] = true;
  } else {
    armed_.erase(port);
  }
  ledger_->hostListening(!armed_.empty());
}

bool MeteredSerialApi::SetCommMask(platform::PortHandle port, std::uint32_t mask) {
  const bool done = real_.SetCommMask(port, mask);
  // Armed, a reader is about to wait; cleared, it lets go of what it held.
  if (done || mask == 0) listening(port, (mask & platform::EV_RXCHAR) != 0 && done);
  return done;
}

bool MeteredSerialApi::WaitCommEvent(platform::PortHandle port, std::uint32_t& events) {
  // A reader back at its wait has handed on all it read before.
  ledger_->hostHandled();
  return real_.WaitCommEvent(port, events);
}

bool MeteredSerialApi::ReadFile(platform::PortHandle port, char* buffer, std::uint32_t count, std::uint32_t& read) {
  const bool done = real_.ReadFile(port, buffer, count, read);
  if (done && read > 0) {
    const std::uint32_t error = platform::GetLastError();
    ledger_->hostRead(read);
    platform::SetLastError(error);
  }
  return done;
}

bool MeteredSerialApi::PurgeComm(platform::PortHandle port, std::uint32_t flags) {
  const bool done = real_.PurgeComm(port, flags);
  if ((flags & platform::PURGE_RXCLEAR) != 0) ledger_->hostPurged();
  return done;
}

bool MeteredSerialApi::WriteFile(platform::PortHandle port, const char* data, std::uint32_t count,
                                 std::uint32_t& written, platform::EventHandle completion) {
  // Counted before they go: the card may answer before the call returns.
  ledger_->hostSends(count);
  const bool done = real_.WriteFile(port, data, count, written, completion);
  const std::uint32_t error = platform::GetLastError();
  if (done) {
    ledger_->hostUnsent(count - std::min(count, written));
  } else if (error != platform::ERROR_IO_PENDING) {
    ledger_->hostUnsent(count);
  }
  platform::SetLastError(error);
  return done;
}

bool MeteredSerialApi::CloseHandle(platform::PortHandle port) {
  const bool done = real_.CloseHandle(port);
  listening(port, false);
  return done;
}

}  // namespace p42r::program
