// A serial port for tests: what the card would send is fed in by the test and
// what the program writes is recorded; a FaultySerialApi in front of it makes
// calls fail. WaitCommEvent really blocks (on a condition variable) and
// really wakes on SetCommMask, so the reader thread runs for real against it.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/SerialApi.h"

namespace p42r::testing {

class FakeSerialApi final : public platform::SerialApi {
 public:
  // The ports that exist ("COM4:"); opening any other fails with error 2.
  void addDevice(std::u16string name);
  void removeDevice(const std::u16string& name);  // the device vanished

  // Bytes arriving from the device on the open port (any thread).
  void feed(std::string_view bytes);
  // Everything written so far, as one string per write.
  std::vector<std::string> writes() const;
  void clearWrites();
  // Runs `action` whenever the program writes (on the writing thread), so a
  // scripted device can answer.
  void onWrite(std::function<void(const std::string&)> action);
  // Runs `hook` on the waiting thread each time a wait for port events
  // begins, before it looks at the port, so a test can hold a reader there.
  void onWait(std::function<void()> hook);
  // Called as a wait for port events returns with characters to read.
  void onWoken(std::function<void()> hook);

  bool isOpen() const;
  std::uint32_t eventMask() const;
  platform::Dcb lastState() const;
  platform::CommTimeouts lastTimeouts() const;
  int purges() const;

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
  bool valid(platform::PortHandle port) const;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::u16string> devices_;
  platform::PortHandle open_ = platform::INVALID_PORT_HANDLE;
  platform::PortHandle nextHandle_ = 40;
  std::string incoming_;
  std::uint32_t mask_ = 0;
  std::uint64_t maskChanges_ = 0;
  platform::Dcb dcb_{9600, 7, 2, 1, true, false, true, false};  // a driver's own settings
  platform::CommTimeouts timeouts_;
  std::vector<std::string> writes_;
  std::function<void(const std::string&)> onWrite_;
  std::function<void()> onWait_;
  std::function<void()> onWoken_;
  int purges_ = 0;
  platform::EventHandle nextEvent_ = 1;
};

}  // namespace p42r::testing
