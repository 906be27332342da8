#include "program/Program.h"

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <system_error>

#include "app/CPocketPCApp.h"
#include "frontends/script/ScriptFrontend.h"
#include "frontends/tui/TerminalFrontend.h"
#include "link/SerialChannel.h"
#include "platform/Clock.h"
#include "platform/DeviceNotice.h"
#include "platform/Display.h"
#include "platform/EventLoop.h"
#include "platform/HostDeviceWatcher.h"
#include "platform/LastError.h"
#include "platform/NamedMutex.h"
#include "platform/PosixSerialApi.h"
#include "platform/Registry.h"
#include "platform/UserInput.h"
#include "platform/Window.h"
#include "program/AttachedDevice.h"
#include "program/CloseOnSignals.h"
#include "program/DeviceRootSetup.h"
#include "program/HostPortCheck.h"
#include "program/ScreenTable.h"
#include "resources/StringTable.h"

namespace p42r::program {

namespace {

constexpr std::uint32_t kAppTitleString = 57344;  // the single-instance mutex is named after it

// A device root made for one run with the simulated card, removed afterwards.
class ThrowawayRoot {
 public:
  ThrowawayRoot() {
    std::string pattern = (std::filesystem::temp_directory_path() / "p42r-sim-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ThrowawayRoot() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ThrowawayRoot(const ThrowawayRoot&) = delete;
  ThrowawayRoot& operator=(const ThrowawayRoot&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The frontend of this run, whichever it is.
struct Frontend {
  virtual ~Frontend() = default;
  virtual void start() = 0;
  // The loop has ended: a terminal is given back at once, before the
  // program's own teardown.
  virtual void loopEnded() = 0;
  virtual void finish(int exitCode) = 0;
};

template <typename Concrete>
struct FrontendOf final : Frontend {
  template <typename... Arguments>
  explicit FrontendOf(Arguments&&... arguments) : frontend(std::forward<Arguments>(arguments)...) {}
  void start() override { frontend.start(); }
  void loopEnded() override {
    if constexpr (requires { frontend.release(); }) frontend.release();
  }
  void finish(int exitCode) override { frontend.finish(exitCode); }
  Concrete frontend;
};

std::filesystem::path ChooseDeviceRoot(const ProgramOptions& options, std::unique_ptr<ThrowawayRoot>& throwaway) {
  if (options.deviceRoot) return *options.deviceRoot;
  if (options.simulatedCard) {
    throwaway = std::make_unique<ThrowawayRoot>();
    return throwaway->path();
  }
  return platform::DefaultDeviceRoot();
}

bool AnotherCopyRuns(const platform::DeviceRoot& deviceRoot) {
  std::uint32_t error = platform::ERROR_SUCCESS;
  const auto probe = platform::NamedMutex::create(deviceRoot, resources::LoadString(kAppTitleString), error);
  return error == platform::ERROR_ALREADY_EXISTS;
}

// The start-up screen's box is in Japanese; whoever does not read it, or a
// script, learns here what to try.
void TellNoCard(const ProgramOptions& options) {
  if (options.simulatedCard) {
    std::fprintf(stderr, "p42r: no card found: the simulated card (scenario '%s') did not answer as a P42R card\n",
                 options.simulatedCard->empty() ? "normal" : options.simulatedCard->c_str());
  } else if (options.hostPort) {
    std::fprintf(stderr, "p42r: no card found: nothing answered as a P42R card on %s; try --sim for the simulated card\n",
                 options.hostPort->c_str());
  } else {
    std::fprintf(stderr, "p42r: no card found: give the card's serial port with --port DEVICE, "
                         "or try the simulated card with --sim\n");
  }
}

}  // namespace

int RunProgram(const ProgramOptions& options) {
  std::unique_ptr<ThrowawayRoot> throwaway;
  const std::filesystem::path rootDirectory = ChooseDeviceRoot(options, throwaway);
  if (rootDirectory.empty()) {
    std::fprintf(stderr, "p42r: cannot create a device root for the simulated card\n");
    return kExitDeviceRoot;
  }
  platform::DeviceRoot deviceRoot(rootDirectory);
  if (auto problem = deviceRoot.prepare(/*createIfMissing=*/!options.deviceRoot)) {
    std::fprintf(stderr, "p42r: %s\n", problem->c_str());
    return kExitDeviceRoot;
  }
  if (options.osVersionQueryFails) {
    deviceRoot.setOsVersion(std::nullopt);
  } else {
    deviceRoot.setOsVersion(options.osVersion);
  }

  std::unique_ptr<platform::CodePage> codePage;
  try {
    codePage = std::make_unique<platform::CodePage>(options.codePage);
  } catch (const std::exception&) {
    std::fprintf(stderr, "p42r: unknown code page %s\n", options.codePage.c_str());
    return kExitUsage;
  }
  if (options.resetManagementFile) return ResetManagementFileCommand(deviceRoot, *codePage);

  std::unique_ptr<platform::Clock> clock;
  platform::ManualClock* virtualClock = nullptr;
  if (options.virtualClock) {
    auto manual = std::make_unique<platform::ManualClock>(std::chrono::system_clock::now());
    virtualClock = manual.get();
    clock = std::move(manual);
  } else {
    clock = std::make_unique<platform::SteadyClock>();
  }
  platform::EventLoop loop(*clock);
  platform::WindowSystem windows(loop);
  platform::Display display(loop);
  // The terminal interface answers signals itself; in script mode they are
  // the close request, delivered once the loop runs.
  std::unique_ptr<CloseOnSignals> signals;
  if (options.ui != UiKind::Terminal) {
    signals = std::make_unique<CloseOnSignals>(loop, [&] { platform::UserInput(display, windows).close(); });
  }
  platform::DiagnosticLog log(*clock);
  app::AppState state;
  platform::Registry registry(deviceRoot.registryFile());
  // The platform's device-change notice for a port whose host device went,
  // posted to the frame once there is one.
  std::atomic<platform::WindowHandle> noticeFrame{0};
  std::unique_ptr<platform::HostDeviceWatcher> watcher;
  try {
    watcher = std::make_unique<platform::HostDeviceWatcher>([&windows, &noticeFrame](const std::u16string& port) {
      const platform::WindowHandle frame = noticeFrame.load();
      if (frame == 0) return;
      windows.post(frame, platform::WM_DEVICECHANGE, platform::DBT_DEVICEREMOVECOMPLETE, 0,
                   std::make_unique<platform::DeviceNotice>(platform::DBT_DEVTYP_PORT, port));
    });
  } catch (const std::system_error& failure) {
    std::fprintf(stderr, "p42r: cannot watch the card's port: %s\n", failure.what());
    return kExitStartFailed;
  }
  platform::PosixSerialApi serial([&registry](std::u16string_view port) { return registry.hostDeviceFor(port); });
  serial.setPortWatch(watcher.get());
  link::SerialChannel channel(serial, windows, display, *codePage, log, *clock);
  platform::HostFileSystem files;
  app::Services services{*clock, loop, windows, display, deviceRoot, *codePage, log, state, registry, channel, files};

  if (options.ui == UiKind::Terminal) {
    if (auto reason = frontends::TerminalFrontend::Unavailable()) {
      std::fprintf(stderr, "p42r: cannot use this terminal: %s; use --ui=script to run without one\n",
                   reason->c_str());
      return kExitStartFailed;
    }
  }
  std::unique_ptr<Frontend> frontend;
  if (options.ui == UiKind::Terminal) {
    frontend = std::make_unique<FrontendOf<frontends::TerminalFrontend>>(display, windows);
  } else {
    frontend = std::make_unique<FrontendOf<frontends::ScriptFrontend>>(display, windows, stdout, STDIN_FILENO);
  }

  app::CPocketPCApp::Options appOptions;
  appOptions.commandLine = options.handheldCommandLine;
  appOptions.landscape = options.landscape;
  using Entry = app::CPocketPCApp::Options::Entry;
  appOptions.entry = options.entry == "general"            ? Entry::General
                     : options.entry == "admin-connection" ? Entry::AdminConnection
                     : options.entry == "admin-id"         ? Entry::AdminId
                     : options.entry == "applications"     ? Entry::Applications
                                                           : Entry::Consumer;
  appOptions.createScreens = ScreenTableFor(appOptions.entry);
  appOptions.releaseDevice = [&] {
    channel.StopReader(channel.portHandle());
    clock->sleepFor(platform::Duration(100));
    if (channel.isOpen()) channel.Close();
  };
  // A port the program could never use is told before any screen shows.
  if (options.hostPort) {
    if (const auto problem = CheckHostPort(*options.hostPort)) {
      clock->shutdown();
      // The copy already running on this device root may be what holds it:
      // a second copy ends silently, whatever its port.
      if (problem->kind == HostPortProblem::Busy && AnotherCopyRuns(deviceRoot)) return kExitAlreadyRunning;
      std::fprintf(stderr, "p42r: %s\n", problem->message.c_str());
      return ExitCodeFor(problem->kind);
    }
  }
  int exitCode = kExitOk;
  std::unique_ptr<AttachedDevice> device;
  {
    app::CPocketPCApp application(services, appOptions);
    if (!application.InitInstance()) {
      // A second copy ends silently; nothing was shown.
      clock->shutdown();
      return application.startFailure() == app::CPocketPCApp::StartFailure::AlreadyRunning ? kExitAlreadyRunning
                                                                                              : kExitStartFailed;
    }
    noticeFrame.store(display.frameWindow());
    // Only the copy that holds the root writes its files, before any screen reads them.
    SetUpOwnedDeviceRoot(files, deviceRoot, *codePage, stderr);
    // The card goes in once this copy owns the device root and before the
    // start-up screen looks for it.
    std::string error;
    if (options.simulatedCard) {
      device = PlugSimulatedCard({deviceRoot.directory(), *options.simulatedCard, virtualClock, options.traceCard}, error);
    } else if (options.hostPort) {
      device = RegisterHostPort(deviceRoot.directory(), *options.hostPort, error);
    }
    if ((options.simulatedCard || options.hostPort) && !device) {
      std::fprintf(stderr, "p42r: %s\n", error.c_str());
      clock->shutdown();
      return kExitStartFailed;
    }
    if (device) {
      // A device that tells of its own removal (the embedded card) is told
      // like one the watcher finds, and only once whoever finds it first.
      const std::u16string portName = platform::FromUtf8(device->comName());
      device->onRemoved([&watcher, portName] { watcher->removedElsewhere(portName); });
    }
    bool started = true;
    try {
      frontend->start();
    } catch (const frontends::TerminalUnavailable& failure) {
      std::fprintf(stderr, "p42r: cannot use this terminal: %s; use --ui=script to run without one\n",
                   failure.what());
      started = false;
    }
    const int loopCode = started ? loop.run() : kExitStartFailed;
    // Nothing is delivered any more: the watcher's thread ends with the loop.
    watcher->stop();
    frontend->loopEnded();
    exitCode = application.ExitInstance();
    // A frontend that could not start wins over a normal end.
    if (loopCode != 0) exitCode = loopCode;
    if (exitCode == kExitOk && state.noCardFound) exitCode = kExitNoCard;
    device.reset();
  }
  clock->shutdown();
  channel.JoinReaders();
  if (exitCode == kExitNoCard) TellNoCard(options);
  frontend->finish(exitCode);
  return exitCode;
}

}  // namespace p42r::program
