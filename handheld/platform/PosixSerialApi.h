// The serial calls over a real host device (a pty, /dev/ttyUSB*): the CE port
// name resolves through the registry's driver entry to its host device,
// which is opened raw, exclusively, without becoming the controlling
// terminal. The wait for port events is a poll on the device and an eventfd,
// so clearing the event mask or closing wakes a waiting reader at once. A
// device that hung up or vanished reports ERROR_DEVICE_NOT_AVAILABLE. A port
// watch, when set, learns of every port opened and closed.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/PortWatch.h"
#include "platform/SerialApi.h"

namespace p42r::platform {

class PosixSerialApi final : public SerialApi {
 public:
  // `resolve` maps a CE port name ("COM4:") to a host device path.
  using Resolver = std::function<std::optional<std::string>(std::u16string_view)>;
  explicit PosixSerialApi(Resolver resolve);
  ~PosixSerialApi() override;

  // Who is told of each port opened and closed (the device watcher); none by default.
  void setPortWatch(PortWatch* watch) { watch_ = watch; }

  PortHandle CreateFile(std::u16string_view name) override;
  bool SetCommTimeouts(PortHandle port, const CommTimeouts& timeouts) override;
  bool GetCommState(PortHandle port, Dcb& dcb) override;
  bool SetCommState(PortHandle port, const Dcb& dcb) override;
  bool SetCommMask(PortHandle port, std::uint32_t mask) override;
  bool WaitCommEvent(PortHandle port, std::uint32_t& events) override;
  bool ClearCommError(PortHandle port, std::uint32_t& bytesWaiting) override;
  bool ReadFile(PortHandle port, char* buffer, std::uint32_t count, std::uint32_t& read) override;
  bool PurgeComm(PortHandle port, std::uint32_t flags) override;
  EventHandle CreateEvent() override;
  void CloseEvent(EventHandle event) override;
  bool WriteFile(PortHandle port, const char* data, std::uint32_t count, std::uint32_t& written,
                 EventHandle completion) override;
  bool WaitForSingleObject(EventHandle event, std::chrono::milliseconds timeout) override;
  bool CloseHandle(PortHandle port) override;

 private:
  struct Port;
  struct PendingWrite;
  std::shared_ptr<Port> find(PortHandle port);
  // WaitCommEvent's wait, with the waiter's own wake-up registered.
  static bool waitForEvent(Port& port, int wakeFd, std::uint32_t mask, std::uint64_t changesAtStart,
                           std::uint32_t& events);

  Resolver resolve_;
  std::mutex mutex_;
  std::map<PortHandle, std::shared_ptr<Port>> ports_;
  std::map<EventHandle, std::shared_ptr<PendingWrite>> events_;
  PortHandle nextHandle_ = 0x40;
  EventHandle nextEvent_ = 1;
  PortWatch* watch_ = nullptr;
};

}  // namespace p42r::platform
