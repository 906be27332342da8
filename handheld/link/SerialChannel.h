// The one piece of the program that touches the card's port: it owns the
// process-wide port handle, opens the port with the fixed line settings,
// writes one command line at a time and runs the reader thread that cuts the
// received characters into trimmed lines, drops the echo of the last
// command and posts every other line to the screen that started it
// (WM_DEVICE_LINE, the line's bytes travelling with the message).
//
// The port handle, run flag, receive buffer and last command are shared
// between the user-interface thread and the reader. They are guarded by one
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

// Test hook: the reader's allocation for received data or a line fails.
struct ReaderFaults {
  std::atomic<bool> failNextAllocation{false};
};

class SerialChannel {
 public:
  // The longest line the reader delivers, in characters. A longer one is no
  // answer of the card's: it is dropped as it arrives, together with the rest
  // of it up to its line feed, so bytes without line feeds never make the
  // receive buffer grow beyond this.
  static constexpr std::size_t kLongestLine = 16 * 1024;

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

  ReaderFaults& readerFaults() { return readerFaults_; }

  // The pure line scan, exposed for tests and benchmarks: appends `chunk`
  // (ending at its first NUL) and returns the lines to deliver.
  std::vector<std::u16string> ReceiveForTest(std::string_view chunk);

  // The last command written, trimmed.
  std::u16string lastCommand() const;
  // Characters received and not yet delivered or dropped.
  std::size_t PendingCharacters() const;

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
  void ClearBuffer();
  bool TakeAllocationFault();
  // Receive pending characters; false when the reader must end (it was
  // stopped, or its failure path ran).
  bool ReceivePendingCharacters(const ReaderParam& param, std::uint64_t generation, bool& firstInRun);
  void AppendChunk(std::string_view bytes);
  std::vector<std::u16string> ScanLines(bool firstInRun);
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
  // The receive buffer is text from `bufferStart_` on; what the scan has
  // already looked at is remembered so a burst without line feeds costs
  // linear time.
  std::u16string buffer_;
  // The start of a character whose remaining bytes have not arrived yet.
  std::string cutOffBytes_;
  std::size_t bufferStart_ = 0;
  std::size_t searchedUpTo_ = 0;
  std::uint64_t bufferVersion_ = 0;
  std::uint64_t scannedVersion_ = 0;
  bool hasScanned_ = false;
  // An overlong line is being dropped up to its line feed.
  bool droppingLine_ = false;
  std::u16string lastCommand_;

  std::thread::id uiThread_;
  std::mutex threadsMutex_;
  std::vector<Reader> readers_;
  ReaderFaults readerFaults_;
};

}  // namespace p42r::link
