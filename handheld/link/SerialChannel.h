// The one piece of the program that touches the card's port: it owns the
// process-wide port handle, opens the port with the fixed line settings,
// writes one command line at a time and runs the reader thread that hands
// the received bytes to its line assembler and posts every line that comes
// out to the screen that started it (WM_DEVICE_LINE, the line's bytes
// travelling with the message).
//
// The port handle, run flag and line assembler are shared between the
// user-interface thread and the reader. They are guarded by one
// lock that is never held across the reader's blocking wait for port
// events, so no caller ever waits on a reader that is blocked.
#pragma once

#include <atomic>
#include <future>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/DeviceLinkError.h"
#include "link/LineAssembler.h"
#include "link/LineText.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/DiagnosticLog.h"
#include "platform/SerialApi.h"
#include "platform/TextConversion.h"
#include "platform/Window.h"

namespace p42r::link {

// A screen's pair for its reader thread: who receives the lines, and the port.
struct ReaderParam {
  platform::WindowHandle window = 0;
  platform::PortHandle port = platform::INVALID_PORT_HANDLE;
};

// The line's bytes as the reader allocated them; the receiving screen owns
// them once the message is delivered.
struct DeviceLineBytes final : platform::Payload {
  explicit DeviceLineBytes(std::string line) : bytes(std::move(line)) {}
  std::string bytes;
};

// The line settings every caller opens the port with.
struct LineSettings {
  platform::CommTimeouts timeouts{10, 0, 10, 100, 10};
  std::uint32_t baudRate = 115200;
  std::uint8_t dataBits = 8;
  std::uint8_t parity = platform::NOPARITY;
  std::uint8_t stopBits = platform::ONESTOPBIT;
};

class SerialChannel {
 public:
  SerialChannel(platform::SerialApi& api, platform::WindowSystem& windows, platform::Display& display,
                platform::CodePage& codePage, platform::DiagnosticLog& log, platform::Clock& clock);
  ~SerialChannel();
  SerialChannel(const SerialChannel&) = delete;
  SerialChannel& operator=(const SerialChannel&) = delete;

  // The process-wide port handle (INVALID_PORT_HANDLE when closed).
  platform::PortHandle portHandle() const;
  bool isOpen() const { return portHandle() != platform::INVALID_PORT_HANDLE; }

  // Raise DeviceLinkError on failure, as tabled for each step.
  void Open(std::u16string_view portName, const LineSettings& settings = LineSettings{});
  // `command` already ends with CR LF.
  void Write(std::u16string_view command);
  // Closes the channel's port handle; false when the event mask could not be
  // cleared, the port was not open or the close failed. Never raises.
  bool Close();
  // Makes a running reader leave its loop; never raises, never waits for it.
  void StopReader(platform::PortHandle port);
  // The framework's worker-thread start of the reader for `param`.
  void StartReader(const ReaderParam& param);

  // At program exit: waits for the reader threads that were stopped.
  void JoinReaders();

 private:
  struct Reader {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
    platform::PortHandle port = platform::INVALID_PORT_HANDLE;
  };

  void ReaderThread(ReaderParam param, std::uint64_t generation, std::promise<void>& started);
  void ReaderLoop(const ReaderParam& param, std::uint64_t generation, std::promise<void>& started, bool& told);
  static std::u16string ReaderFailureText();
  bool Running(std::uint64_t generation) const;
  void Pause();
  // Receive pending characters; false when the reader must end (it was
  // stopped).
  bool ReceivePendingCharacters(const ReaderParam& param, std::uint64_t generation);
  void ReaderFailed(const ReaderParam& param, const std::u16string& text);

  platform::SerialApi& api_;
  platform::WindowSystem& windows_;
  platform::Display& display_;
  platform::CodePage& codePage_;
  platform::DiagnosticLog& log_;
  platform::Clock& clock_;

  mutable std::mutex mutex_;
  platform::PortHandle port_ = platform::INVALID_PORT_HANDLE;
  // The run flag of the reader: a reader runs while its generation is the
  // current one and the flag is set, so a reader stopped late never runs on
  // beside the next one.
  std::uint64_t readerGeneration_ = 0;
  bool runFlag_ = false;
  LineAssembler lines_;

  std::thread::id uiThread_;
  std::mutex threadsMutex_;
  std::vector<Reader> readers_;
};

}  // namespace p42r::link
