#include "link/SerialChannel.h"

#include <cstdio>
#include <future>

#include "link/AtVocabulary.h"
#include "link/ChannelMessages.h"
#include "platform/Display.h"
#include "platform/LastError.h"
#include "resources/StringTable.h"

namespace p42r::link {

using platform::INVALID_PORT_HANDLE;
using platform::PortHandle;

namespace {

constexpr std::uint32_t kKindPortState = 20100;
constexpr std::uint32_t kKindPortOpen = 20101;
constexpr std::uint32_t kKindPortWrite = 20103;
constexpr std::uint32_t kKindThread = 20107;
constexpr std::uint32_t kCodeAlreadyOpen = 20200;
constexpr std::uint32_t kCodeCannotOpen = 20201;
constexpr std::uint32_t kCodeNotOpen = 20202;
constexpr std::uint32_t kCodeTimeouts = 20204;
constexpr std::uint32_t kCodeReadState = 20205;
constexpr std::uint32_t kCodeWriteState = 20206;
constexpr std::uint32_t kCodeWriteIncomplete = 20208;
constexpr std::uint32_t kCodeNoEvent = 20211;
constexpr std::uint32_t kCodeNoMemory = 20500;
constexpr std::uint32_t kReaderScreenCode = 20026;
constexpr std::uint32_t kDeviceMissing = 30001;
constexpr platform::Duration kPause{100};
constexpr std::chrono::milliseconds kPendingWriteWait{1000};

}  // namespace

SerialChannel::SerialChannel(platform::SerialApi& api, platform::WindowSystem& windows, platform::Display& display,
                             platform::CodePage& codePage, platform::DiagnosticLog& log, platform::Clock& clock)
    : api_(api),
      windows_(windows),
      display_(display),
      codePage_(codePage),
      log_(log),
      clock_(clock),
      lines_(codePage),
      uiThread_(std::this_thread::get_id()) {}

SerialChannel::~SerialChannel() { JoinReaders(); }

PortHandle SerialChannel::portHandle() const {
  std::lock_guard lock(mutex_);
  return port_;
}

void SerialChannel::Pause() {
  // The user-interface thread's pause passes the program's time; a
  // background thread waits for it.
  if (std::this_thread::get_id() == uiThread_) {
    clock_.sleepFor(kPause);
  } else {
    clock_.waitFor(kPause);
  }
}

void SerialChannel::Open(std::u16string_view portName, const LineSettings& settings) {
  PortHandle handle = INVALID_PORT_HANDLE;
  {
    std::lock_guard lock(mutex_);
    if (port_ != INVALID_PORT_HANDLE) throw DeviceLinkError(ErrorText(kKindPortState, kCodeAlreadyOpen));
    handle = api_.CreateFile(portName);
    port_ = handle;
  }
  // The log keeps the call that failed and the platform's reason, which the
  // error text does not carry (a driver that would not take the settings).
  const auto fail = [this](std::u16string_view call, std::uint32_t code) {
    char error[16];
    std::snprintf(error, sizeof error, "%x", platform::GetLastError());
    log_.line(u"Open ERROR:: " + std::u16string(call) + u" " + platform::FromUtf8(error));
    throw DeviceLinkError(ErrorText(kKindPortOpen, code));
  };
  if (handle == INVALID_PORT_HANDLE) fail(u"CreateFile", kCodeCannotOpen);
  // From here a failure leaves the port open; the caller's handling closes it.
  if (!api_.SetCommTimeouts(handle, settings.timeouts)) fail(u"SetCommTimeouts", kCodeTimeouts);
  platform::Dcb dcb;
  if (!api_.GetCommState(handle, dcb)) fail(u"GetCommState", kCodeReadState);
  dcb.baudRate = settings.baudRate;
  dcb.byteSize = settings.dataBits;
  dcb.parity = settings.parity;
  dcb.stopBits = settings.stopBits;
  if (!api_.SetCommState(handle, dcb)) fail(u"SetCommState", kCodeWriteState);
  // What already waits on the port was said to an earlier run, such as the
  // card's late answer to the command a closing run sent last. A reader
  // started now would take it for the answer to this run's first command.
  api_.PurgeComm(handle, platform::PURGE_RXCLEAR);
}

void SerialChannel::Write(std::u16string_view command) {
  const PortHandle handle = portHandle();
  if (handle == INVALID_PORT_HANDLE) throw DeviceLinkError(ErrorText(kKindPortWrite, kCodeNotOpen));
  std::string bytes = codePage_.toAnsi(command);
  bytes.push_back('\0');  // the count includes the terminating NUL, which goes out too
  const platform::EventHandle completion = api_.CreateEvent();
  if (completion == 0) throw DeviceLinkError(ErrorText(kKindPortWrite, kCodeNoEvent));
  log_.stamped(u"Write::" + std::u16string(command));
  std::uint32_t written = 0;
  bool succeeded = false;
  bool requested = false;
  {
    // One step for the reader: it sees the old command with the old
    // buffer, or the new command with what the card said after the purge,
    // never stale bytes in the fresh buffer.
    std::lock_guard lock(mutex_);
    lines_.StartAnswerTo(command);
    api_.PurgeComm(handle, platform::PURGE_RXCLEAR);
    requested = api_.WriteFile(handle, bytes.data(), static_cast<std::uint32_t>(bytes.size()), written, completion);
  }
  if (requested) {
    succeeded = written != 0;
  } else {
    const std::uint32_t error = platform::GetLastError();
    char code[16];
    std::snprintf(code, sizeof code, "%x", error);
    log_.line(u"Write ERROR:: " + platform::FromUtf8(code));
    if (error == platform::ERROR_DEVICE_NOT_AVAILABLE) {
      api_.CloseEvent(completion);
      throw DeviceLinkError(resources::LoadString(kDeviceMissing), /*deviceMissing=*/true);
    }
    if (error == platform::ERROR_IO_PENDING) succeeded = api_.WaitForSingleObject(completion, kPendingWriteWait);
  }
  api_.CloseEvent(completion);
  if (!succeeded) throw DeviceLinkError(ErrorText(kKindPortWrite, kCodeWriteIncomplete));
}

bool SerialChannel::Close() {
  PortHandle handle = portHandle();
  if (!api_.SetCommMask(handle, 0)) return false;
  if (handle == INVALID_PORT_HANDLE) return false;
  if (!api_.CloseHandle(handle)) return false;
  {
    std::lock_guard lock(mutex_);
    if (port_ == handle) port_ = INVALID_PORT_HANDLE;
  }
  Pause();
  return true;
}

void SerialChannel::StopReader(PortHandle port) {
  {
    std::lock_guard lock(mutex_);
    runFlag_ = false;
    ++readerGeneration_;
  }
  if (port == INVALID_PORT_HANDLE) return;
  if (api_.SetCommMask(port, 0)) Pause();
}

void SerialChannel::StartReader(const ReaderParam& param) {
  std::uint64_t generation = 0;
  {
    std::lock_guard lock(mutex_);
    generation = ++readerGeneration_;
  }
  std::lock_guard lock(threadsMutex_);
  // Readers that have ended are joined here, so they do not pile up.
  for (auto it = readers_.begin(); it != readers_.end();) {
    if (it->done->load()) {
      it->thread.join();
      it = readers_.erase(it);
    } else {
      ++it;
    }
  }
  auto done = std::make_shared<std::atomic<bool>>(false);
  auto started = std::make_shared<std::promise<void>>();
  std::future<void> waiting = started->get_future();
  try {
    readers_.push_back(Reader{std::thread([this, param, generation, done, started] {
                                ReaderThread(param, generation, *started);
                                done->store(true);
                              }),
                              done, param.port});
  } catch (const std::exception&) {
    // No thread (the system's limit, no memory): the screen learns of it
    // as of a reader that failed, with the same text.
    ReaderFailed(param, ReaderFailureText());
    return;
  }
  // The callers' pause after starting a reader exists so that the reader is
  // waiting before the card can answer. On virtual time that pause takes no
  // real time, so wait here until the reader is in place; it says so on
  // every path, failure included, and nothing before that blocks.
  waiting.wait();
}

void SerialChannel::JoinReaders() {
  {
    std::lock_guard lock(mutex_);
    runFlag_ = false;
    ++readerGeneration_;
  }
  std::vector<Reader> readers;
  {
    std::lock_guard lock(threadsMutex_);
    readers.swap(readers_);
  }
  for (auto& reader : readers) {
    // A reader still blocked in its wait is woken by clearing the mask of
    // its port; one whose port was closed has been woken already.
    if (!reader.done->load() && reader.port != INVALID_PORT_HANDLE) api_.SetCommMask(reader.port, 0);
    reader.thread.join();
  }
}

bool SerialChannel::Running(std::uint64_t generation) const {
  std::lock_guard lock(mutex_);
  return runFlag_ && generation == readerGeneration_;
}

std::u16string SerialChannel::ReaderFailureText() {
  return ErrorText(kKindThread, kCodeNoMemory) + resources::LoadString(kReaderScreenCode);
}

void SerialChannel::ReaderThread(ReaderParam param, std::uint64_t generation, std::promise<void>& started) {
  bool told = false;
  try {
    ReaderLoop(param, generation, started, told);
  } catch (const std::exception&) {
    // Nothing may leave the thread: whatever the reader could not do
    // (memory, above all) ends it through its own failure path.
    if (!told) started.set_value();
    try {
      ReaderFailed(param, ReaderFailureText());
    } catch (const std::exception&) {
      // Not even the box could be posted: the port is closed, which the
      // screen's next write reports.
    }
  }
}

void SerialChannel::ReaderLoop(const ReaderParam& param, std::uint64_t generation, std::promise<void>& started,
                               bool& told) {
  {
    std::lock_guard lock(mutex_);
    if (generation == readerGeneration_) runFlag_ = true;
  }
  api_.SetCommMask(param.port, platform::EV_RXCHAR);
  log_.line(u"Thread in");
  started.set_value();
  told = true;
  while (Running(generation)) {
    std::uint32_t events = 0;
    if (!api_.WaitCommEvent(param.port, events)) {
      // The port was closed or its device is gone: waiting again would only
      // fail again at once.
      break;
    }
    if (events != platform::EV_RXCHAR) continue;
    if (!ReceivePendingCharacters(param, generation)) break;
  }
}

bool SerialChannel::ReceivePendingCharacters(const ReaderParam& param, std::uint64_t generation) {
  std::vector<std::u16string> lines;
  {
    // Whether this reader still runs and what it takes from the port are
    // decided together: a reader stopped at any moment after its wait, even
    // once the next reader has armed the port and the card has answered it,
    // leaves those characters to the next reader. Neither call blocks.
    std::lock_guard lock(mutex_);
    if (!runFlag_ || generation != readerGeneration_) return false;
    std::string chunk;
    if (param.port != INVALID_PORT_HANDLE) {
      std::uint32_t waiting = 0;
      api_.ClearCommError(param.port, waiting);
      if (waiting > 0) {
        chunk.assign(static_cast<std::size_t>(waiting) + 1, '\0');
        std::uint32_t read = 0;
        api_.ReadFile(param.port, chunk.data(), waiting, read);
        chunk.resize(read);
      }
    }
    lines = lines_.Feed(chunk);
  }
  for (const auto& line : lines) {
    log_.line(u"Read::" + line);
    windows_.post(param.window, WM_DEVICE_LINE, 0, 0, std::make_unique<DeviceLineBytes>(codePage_.toAnsi(line)));
  }
  return true;
}

void SerialChannel::ReaderFailed(const ReaderParam& param, const std::u16string& text) {
  StopReader(param.port);
  Pause();
  Close();
  // The box is shown, and answered, before the screen hears of the failure.
  platform::WindowSystem& windows = windows_;
  platform::Display& display = display_;
  const platform::WindowHandle window = param.window;
  windows_.loop().postTask([&windows, &display, window, text] {
    display.messageBox(text, platform::MB_OK);
    windows.post(window, WM_SCREEN_STEP);
  });
}

}  // namespace p42r::link
