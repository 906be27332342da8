// A serial port that fails when a test says so: it wraps another one (the
// real port on a pty, or the fake) and passes every call through, except
// that the next call of a chosen kind fails with a chosen last error, the
// next write goes pending and completes in time or never, or the next read
// runs out of memory. Faults may be set from any thread while a reader runs.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>

#include "platform/SerialApi.h"

namespace p42r::testing {

enum class SerialCall {
  CreateFile,
  SetCommTimeouts,
  GetCommState,
  SetCommState,
  ArmCommMask,    // SetCommMask with events to wait for
  ClearCommMask,  // SetCommMask(0)
  CreateEvent,
  WriteFile,
  CloseHandle,
};

enum class PendingWrite { CompletesInTime, NeverCompletes };

class FaultySerialApi final : public platform::SerialApi {
 public:
  explicit FaultySerialApi(platform::SerialApi& inner) : inner_(inner) {}

  // The next call of `call` fails, leaving `lastError` behind; later ones pass.
  void failNext(SerialCall call, std::uint32_t lastError);
  // The next write goes pending (a completing one sends its bytes first;
  // one that never completes sends nothing).
  void pendNextWrite(PendingWrite outcome);
  // The next read throws std::bad_alloc, as an allocation inside it would.
  void exhaustMemoryOnNextRead();
  // Whether a failure set for `call` still waits for its call.
  bool armed(SerialCall call) const;

  platform::PortHandle CreateFile(std::u16string_view name) override;
  bool SetCommTimeouts(platform::PortHandle port, const platform::CommTimeouts& timeouts) override;
  bool GetCommState(platform::PortHandle port, platform::Dcb& dcb) override;
  bool SetCommState(platform::PortHandle port, const platform::Dcb& dcb) override;
  bool SetCommMask(platform::PortHandle port, std::uint32_t mask) override;
  bool WaitCommEvent(platform::PortHandle port, std::uint32_t& events) override;
  bool ClearCommError(platform::PortHandle port, std::uint32_t& bytesWaiting) override;
  bool ReadFile(platform::PortHandle port, char* buffer, std::uint32_t count, std::uint32_t& read) override;
  bool PurgeComm(platform::PortHandle port, std::uint32_t flags) override;
  platform::EventHandle CreateEvent() override;
  void CloseEvent(platform::EventHandle event) override;
  bool WriteFile(platform::PortHandle port, const char* data, std::uint32_t count, std::uint32_t& written,
                 platform::EventHandle completion) override;
  bool WaitForSingleObject(platform::EventHandle event, std::chrono::milliseconds timeout) override;
  bool CloseHandle(platform::PortHandle port) override;

 private:
  // True (with the last error set) when a failure was set for `call`.
  bool fails(SerialCall call);

  platform::SerialApi& inner_;
  mutable std::mutex mutex_;
  std::map<SerialCall, std::uint32_t> failures_;
  std::optional<PendingWrite> nextWrite_;
  std::map<platform::EventHandle, PendingWrite> pendingWrites_;  // by completion event
  bool exhaustNextRead_ = false;
};

}  // namespace p42r::testing
