// The serial communication calls of the handheld's system, as the serial
// channel uses them: an exclusive overlapped open, timeouts, the device
// control block, the event mask with a blocking wait for port events,
// errors and bytes waiting, purge, read, write with its completion event,
// close. Failures return false (or the invalid handle) and leave the
// platform's last error behind, as the system does.
//
// WaitCommEvent blocks the calling thread; SetCommMask or CloseHandle from
// another thread makes it return at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace p42r::platform {

using PortHandle = std::intptr_t;
inline constexpr PortHandle INVALID_PORT_HANDLE = -1;
using EventHandle = std::uintptr_t;  // 0: no event

inline constexpr std::uint32_t EV_RXCHAR = 0x0001;
inline constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;
inline constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;
inline constexpr std::uint8_t NOPARITY = 0;
inline constexpr std::uint8_t ONESTOPBIT = 0;

struct CommTimeouts {
  std::uint32_t readIntervalTimeout = 0;
  std::uint32_t readTotalTimeoutMultiplier = 0;
  std::uint32_t readTotalTimeoutConstant = 0;
  std::uint32_t writeTotalTimeoutMultiplier = 0;
  std::uint32_t writeTotalTimeoutConstant = 0;
};

// The device control block: the line settings and the driver's other settings,
// which a read-modify-write keeps as they were.
struct Dcb {
  std::uint32_t baudRate = 9600;
  std::uint8_t byteSize = 8;
  std::uint8_t parity = NOPARITY;
  std::uint8_t stopBits = ONESTOPBIT;
  bool outxCtsFlow = false;
  bool rtsControl = false;
  bool inX = false;
  bool outX = false;
};

class SerialApi {
 public:
  virtual ~SerialApi() = default;

  // Opens the port device `name` ("COM4:") for reading and writing, without sharing.
  virtual PortHandle CreateFile(std::u16string_view name) = 0;
  virtual bool SetCommTimeouts(PortHandle port, const CommTimeouts& timeouts) = 0;
  virtual bool GetCommState(PortHandle port, Dcb& dcb) = 0;
  virtual bool SetCommState(PortHandle port, const Dcb& dcb) = 0;
  virtual bool SetCommMask(PortHandle port, std::uint32_t mask) = 0;
  virtual bool WaitCommEvent(PortHandle port, std::uint32_t& events) = 0;
  // Clears the port's error state; `bytesWaiting` is the receive queue's length.
  virtual bool ClearCommError(PortHandle port, std::uint32_t& bytesWaiting) = 0;
  virtual bool ReadFile(PortHandle port, char* buffer, std::uint32_t count, std::uint32_t& read) = 0;
  virtual bool PurgeComm(PortHandle port, std::uint32_t flags) = 0;

  // A manual-reset event for a write's completion.
  virtual EventHandle CreateEvent() = 0;
  virtual void CloseEvent(EventHandle event) = 0;
  // Overlapped write: true when it completed at once; false with ERROR_IO_PENDING
  // when it goes on (its end signals `completion`), or with another error.
  virtual bool WriteFile(PortHandle port, const char* data, std::uint32_t count, std::uint32_t& written,
                         EventHandle completion) = 0;
  // Waits for `event`; true when it was signalled within `timeout`.
  virtual bool WaitForSingleObject(EventHandle event, std::chrono::milliseconds timeout) = 0;

  virtual bool CloseHandle(PortHandle port) = 0;
};

}  // namespace p42r::platform
