#include "program/Program.h"

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <optional>
#include <system_error>

#include "app/CPocketPCApp.h"
#include "frontends/commands/CommandFrontend.h"
#include "frontends/gui/DisplayPresence.h"
#include "frontends/script/ScriptFrontend.h"
#include "frontends/tui/SignalPath.h"
#include "frontends/tui/TerminalFrontend.h"
#include "link/SerialChannel.h"
#include "platform/Clock.h"
#include "platform/DeviceNotice.h"
#include "platform/Display.h"
#include "platform/EventLoop.h"
#include "platform/Files.h"
#include "platform/HostDeviceWatcher.h"
#include "platform/LastError.h"
#include "platform/ModemManager.h"
#include "platform/NamedMutex.h"
#include "platform/PosixSerialApi.h"
#include "platform/Registry.h"
#include "platform/UserInput.h"
#include "platform/Window.h"
#include "program/AttachedDevice.h"
#include "program/DeviceRootSetup.h"
#include "program/WindowMaker.h"
#include "program/HostPortCheck.h"
#include "program/MeteredLink.h"
#include "program/ModemManagerHold.h"
#include "program/PortList.h"
#include "program/ScreenTable.h"
#include "program/WindowHandover.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace p42r::program {

namespace {


// A step that cannot go on ends the run with this code; an empty message ends it silently.
struct StartFailure {
  int exitCode;
  std::string message;
};

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

// The device root of this run, ready for the program.
struct ChosenRoot {
  std::unique_ptr<ThrowawayRoot> throwaway;
  std::unique_ptr<platform::DeviceRoot> root;
};

ChosenRoot ChooseDeviceRoot(const ProgramOptions& options) {
  ChosenRoot chosen;
  std::filesystem::path directory;
  if (options.deviceRoot) {
    directory = *options.deviceRoot;
  } else if (options.simulatedCard) {
    chosen.throwaway = std::make_unique<ThrowawayRoot>();
    directory = chosen.throwaway->path();
    if (directory.empty()) throw StartFailure{kExitDeviceRoot, "cannot create a device root for the simulated card"};
  } else if (auto defaultRoot = platform::DefaultDeviceRoot()) {
    directory = *defaultRoot;
  } else {
    throw StartFailure{kExitDeviceRoot,
                       "no home directory to keep the device root in: set HOME (or XDG_DATA_HOME) to an absolute "
                       "path, or give --device-root"};
  }
  chosen.root = std::make_unique<platform::DeviceRoot>(directory);
  if (auto problem = chosen.root->prepare(/*createIfMissing=*/!options.deviceRoot)) {
    throw StartFailure{kExitDeviceRoot, *problem};
  }
  // The registry is read whole at every query; a file this large is no
  // handheld's and would otherwise read as one without the card's entry.
  std::error_code sizeError;
  const auto registrySize = std::filesystem::file_size(chosen.root->registryFile(), sizeError);
  if (!sizeError && registrySize > platform::kLargestReadableFile) {
    throw StartFailure{kExitDeviceRoot, chosen.root->registryFile().string() + " is larger than " +
                                            std::to_string(platform::kLargestReadableFile / 1024) +
                                            " KiB: not a handheld's registry; move it away and try again"};
  }
  if (options.osVersionQueryFails) {
    chosen.root->setOsVersion(std::nullopt);
  } else {
    chosen.root->setOsVersion(options.osVersion);
  }
  return chosen;
}

std::unique_ptr<platform::CodePage> OpenCodePage(const std::string& name) {
  try {
    return std::make_unique<platform::CodePage>(name);
  } catch (const std::exception&) {
    throw StartFailure{kExitUsage, "unknown code page " + name};
  }
}

std::unique_ptr<platform::Clock> MakeClock(const ProgramOptions& options, platform::ManualClock*& virtualClock) {
  if (!options.virtualClock) return std::make_unique<platform::SteadyClock>();
  auto manual = std::make_unique<platform::ManualClock>(std::chrono::system_clock::now());
  virtualClock = manual.get();
  return manual;
}

// The emulated handheld's system for one run: the platform stand-in behind
// every screen, in the order its parts depend on each other.
struct Handheld {
  Handheld(const ProgramOptions& options, platform::DeviceRoot& root)
      : deviceRoot(root),
        codePage(OpenCodePage(options.codePage)),
        clock(MakeClock(options, virtualClock)),
        loop(*clock),
        windows(loop),
        display(loop),
        log(*clock),
        registry(deviceRoot.registryFile()),
        watcher(WatchPorts()),
        serial([this](std::u16string_view port) { return UsableHostDevice(port); }),
        ledger(FollowsSimulatedCard(options) ? std::make_shared<card::LinkLedger>() : nullptr),
        metered(ledger ? std::make_unique<MeteredSerialApi>(serial, ledger) : nullptr),
        settling(ledger ? std::make_unique<LedgerSettling>(ledger) : nullptr),
        channel(metered ? static_cast<platform::SerialApi&>(*metered) : serial, windows, display, *codePage, log,
                *clock),
        services{*clock, loop, windows, display, deviceRoot, *codePage, log, state, registry, channel, files} {
    serial.setPortWatch(watcher.get());
  }

  // On virtual time the simulated card's traffic is metered, so time moves
  // only once the card and the program have heard each other out.
  static bool FollowsSimulatedCard(const ProgramOptions& options) {
    return options.virtualClock && options.simulatedCard.has_value();
  }

  // The platform's device-change notice for a port whose host device went,
  // posted to the frame once there is one; the frontend hears of it too.
  std::unique_ptr<platform::HostDeviceWatcher> WatchPorts() {
    try {
      return std::make_unique<platform::HostDeviceWatcher>([this](const std::u16string& port) {
        if (const auto& told = removalListener) told();
        const platform::WindowHandle frame = noticeFrame.load();
        if (frame == 0) return;
        windows.post(frame, platform::WM_DEVICECHANGE, platform::DBT_DEVICEREMOVECOMPLETE, 0,
                     std::make_unique<platform::DeviceNotice>(platform::DBT_DEVTYP_PORT, port));
      });
    } catch (const std::system_error& failure) {
      throw StartFailure{kExitStartFailed, std::string("cannot watch the card's port: ") + failure.what()};
    }
  }

  // The host device behind a port, unless another program holds it open:
  // that port is not the program's to use, and the run says who has it.
  std::optional<std::string> UsableHostDevice(std::u16string_view port) {
    auto device = registry.hostDeviceFor(port);
    if (!device) return device;
    if (auto held = CheckHolders(*device)) {
      heldPort = held->message;
      return std::nullopt;
    }
    return device;
  }

  platform::DeviceRoot& deviceRoot;
  platform::ManualClock* virtualClock = nullptr;
  std::unique_ptr<platform::CodePage> codePage;
  std::unique_ptr<platform::Clock> clock;
  platform::EventLoop loop;
  platform::WindowSystem windows;
  platform::Display display;
  platform::DiagnosticLog log;
  app::AppState state;
  platform::Registry registry;
  std::atomic<platform::WindowHandle> noticeFrame{0};
  std::function<void()> removalListener;  // set before any port is opened
  std::string heldPort;                    // why a port was left to the program holding it
  std::unique_ptr<platform::HostDeviceWatcher> watcher;
  platform::PosixSerialApi serial;
  std::shared_ptr<card::LinkLedger> ledger;
  std::unique_ptr<MeteredSerialApi> metered;
  std::unique_ptr<LedgerSettling> settling;
  link::SerialChannel channel;
  platform::HostFileSystem files;
  app::Services services;
};

int ExitCodeOf(frontends::OutcomeKind kind, int programExitCode) {
  using frontends::OutcomeKind;
  switch (kind) {
    case OutcomeKind::Ok: return kExitOk;
    case OutcomeKind::NoCard: return kExitNoCard;
    case OutcomeKind::Refused: return kExitRefused;
    case OutcomeKind::Removed: return kExitCardRemoved;
    case OutcomeKind::TimedOut: return kExitTimedOut;
    case OutcomeKind::AccessDenied: return kExitAccessDenied;
    case OutcomeKind::Interrupted: return kExitInterrupted;
    case OutcomeKind::Usage: return kExitUsage;
    case OutcomeKind::Failed: break;
  }
  return programExitCode != kExitOk ? programExitCode : kExitStartFailed;
}

frontends::CardFacts FactsOf(Handheld& handheld) {
  frontends::CardFacts facts;
  facts.portName = [&handheld] { return platform::ToUtf8(handheld.state.portName); };
  facts.hostDevice = [&handheld] {
    const auto device = handheld.registry.hostDeviceFor(handheld.state.portName + u":");
    return device ? *device : std::string();
  };
  return facts;
}

std::unique_ptr<frontends::Frontend> ChooseFrontend(const ProgramOptions& options, Handheld& handheld,
                                         const WindowMaker& makeWindow) {
  const UiKind ui = ChosenUi(options, /*windowInstalled=*/makeWindow != nullptr);
  switch (ui) {
    case UiKind::Terminal:
      if (auto reason = frontends::TerminalFrontend::Unavailable()) {
        throw StartFailure{kExitStartFailed,
                           "cannot use this terminal: " + *reason + "; use --ui=script to run without one"};
      }
      return std::make_unique<frontends::TerminalFrontend>(handheld.display, handheld.windows);
    case UiKind::Window:
      if (!makeWindow) throw StartFailure{kExitStartFailed, kWindowNotInstalled};
      if (auto reason = frontends::WhyNoWindowDisplay()) {
        throw StartFailure{kExitStartFailed, "cannot open a window: " + *reason + "; use --ui=tui on a terminal"};
      }
      return makeWindow(handheld.display, handheld.windows);
    case UiKind::Script:
      return std::make_unique<frontends::ScriptFrontend>(handheld.display, handheld.windows, stdout, STDIN_FILENO);
    case UiKind::Command: {
      frontends::CommandFrontend::Streams streams;
      streams.answerFd = ::isatty(STDIN_FILENO) != 0 ? STDIN_FILENO : -1;
      auto frontend = std::make_unique<frontends::CommandFrontend>(handheld.display, handheld.windows,
                                                                   *options.command, FactsOf(handheld), streams,
                                                                   ExitCodeOf);
      handheld.removalListener = [commands = frontend.get()] { commands->cardRemoved(); };
      frontend->followOutside(handheld.settling.get());
      return frontend;
    }
  }
  return nullptr;
}

// A command says why it did nothing; the handheld program ends silently.
std::string AnotherCopyMessage(const platform::DeviceRoot& deviceRoot) {
  return "another copy of p42r is running on the device root " + deviceRoot.directory().string();
}

bool AnotherCopyRuns(const platform::DeviceRoot& deviceRoot) {
  std::uint32_t error = platform::ERROR_SUCCESS;
  const auto probe =
      platform::NamedMutex::create(deviceRoot, resources::LoadString(resources::strings::kAppTitle), error);
  return error == platform::ERROR_ALREADY_EXISTS;
}

// A port the program could never use is told before any screen shows.
void CheckPort(const ProgramOptions& options, const platform::DeviceRoot& deviceRoot) {
  if (!options.hostPort) return;
  auto problem = CheckHostPort(*options.hostPort);
  if (!problem) problem = CheckHolders(*options.hostPort);
  if (!problem) return;
  // The copy already running on this device root may be what holds it:
  // a second copy ends silently, whatever its port.
  if (problem->kind == HostPortProblem::Busy && AnotherCopyRuns(deviceRoot)) {
    throw StartFailure{kExitAlreadyRunning, options.command ? AnotherCopyMessage(deviceRoot) : ""};
  }
  throw StartFailure{ExitCodeFor(problem->kind), problem->message};
}

// ModemManager is asked to leave the device behind a real port alone
// before anything touches the card; the hold gives it back when it goes.
// A pseudo-terminal is never one of its modems, and a port that is not
// there is CheckPort's to report.
std::unique_ptr<ModemManagerHold> KeepModemManagerOff(const ProgramOptions& options, platform::Clock& clock) {
  if (!options.hostPort) return nullptr;
  std::error_code error;
  const auto node = std::filesystem::canonical(*options.hostPort, error);
  if (error || node.parent_path() == "/dev/pts") return nullptr;
  std::string whyNot;
  auto manager = platform::ConnectToModemManager(whyNot);
  auto hold = std::make_unique<ModemManagerHold>(
      std::move(manager), whyNot, [port = *options.hostPort] { return ModemManagerHoldsPort(port); },
      [](const std::string& note) { std::fprintf(stderr, "p42r: %s\n", note.c_str()); });
  if (auto refusal = hold->keepOff(*options.hostPort, node.filename().string(), clock)) {
    throw StartFailure{ExitCodeFor(refusal->kind), refusal->message};
  }
  return hold;
}

app::CPocketPCApp::Options ApplicationOptions(const ProgramOptions& options, Handheld& handheld) {
  app::CPocketPCApp::Options appOptions;
  appOptions.commandLine = options.handheldCommandLine;
  appOptions.landscape = options.landscape;
  appOptions.entry = options.entry;
  appOptions.createScreens = ScreenTableFor(appOptions.entry);
  appOptions.releaseDevice = [&handheld] {
    handheld.channel.StopReader(handheld.channel.portHandle());
    handheld.clock->sleepFor(platform::Duration(100));
    if (handheld.channel.isOpen()) handheld.channel.Close();
  };
  return appOptions;
}

// The card goes in once this copy owns the device root and before the
// start-up screen looks for it.
std::unique_ptr<AttachedDevice> AttachCard(const ProgramOptions& options, Handheld& handheld) {
  std::string error;
  std::unique_ptr<AttachedDevice> device;
  if (options.simulatedCard) {
    device = PlugSimulatedCard(
        {handheld.deviceRoot.directory(), *options.simulatedCard, handheld.virtualClock, handheld.ledger,
         options.traceCard},
        error);
  } else if (options.hostPort) {
    device = RegisterHostPort(handheld.deviceRoot.directory(), *options.hostPort, error);
  } else {
    return nullptr;
  }
  if (!device) throw StartFailure{kExitStartFailed, error};
  // A device that tells of its own removal (the embedded card) is told
  // like one the watcher finds, and only once whoever finds it first.
  const std::u16string portName = platform::FromUtf8(device->comName());
  device->onRemoved([&handheld, portName] { handheld.watcher->removedElsewhere(portName); });
  return device;
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

// Runs the application with the frontend until it ends; the exit code.
int Run(const ProgramOptions& options, Handheld& handheld, frontends::Frontend& frontend) {
  int exitCode = kExitOk;
  {
    app::CPocketPCApp application(handheld.services, ApplicationOptions(options, handheld));
    if (!application.InitInstance()) {
      handheld.clock->shutdown();
      if (application.startFailure() != app::CPocketPCApp::StartFailure::AlreadyRunning) {
        throw StartFailure{kExitStartFailed, ""};
      }
      if (!options.command) throw StartFailure{kExitAlreadyRunning, ""};
      std::fprintf(stderr, "p42r: %s\n", AnotherCopyMessage(handheld.deviceRoot).c_str());
      return frontend.finish(kExitAlreadyRunning);
    }
    handheld.noticeFrame.store(handheld.display.frameWindow());
    // Only the copy that holds the root writes its files, before any screen reads them.
    SetUpOwnedDeviceRoot(handheld.files, handheld.deviceRoot, *handheld.codePage, stderr);
    std::unique_ptr<AttachedDevice> device;
    try {
      device = AttachCard(options, handheld);
    } catch (const StartFailure&) {
      handheld.clock->shutdown();
      throw;
    }
    bool started = true;
    try {
      frontend.start();
    } catch (const frontends::TerminalUnavailable& failure) {
      std::fprintf(stderr, "p42r: cannot use this terminal: %s; use --ui=script to run without one\n",
                   failure.what());
      started = false;
    }
    const int loopCode = started ? handheld.loop.run() : kExitStartFailed;
    // Nothing is delivered any more: the watcher's thread ends with the loop.
    handheld.watcher->stop();
    frontend.release();
    exitCode = application.ExitInstance();
    // A frontend that could not start wins over a normal end.
    if (loopCode != 0) exitCode = loopCode;
    if (exitCode == kExitOk && handheld.state.noCardFound) exitCode = kExitNoCard;
  }
  handheld.clock->shutdown();
  handheld.channel.JoinReaders();
  if (exitCode == kExitNoCard && !handheld.heldPort.empty()) {
    // No card was found because its port is another program's.
    std::fprintf(stderr, "p42r: %s\n", handheld.heldPort.c_str());
    frontend.finish(kExitPortBusy);
    return kExitPortBusy;
  }
  if (exitCode == kExitNoCard && !options.command) TellNoCard(options);
  return frontend.finish(exitCode);
}

}  // namespace

int RunProgram(const ProgramOptions& options, const WindowMaker& makeWindow) {
  if (options.command && options.command->kind == frontends::CommandKind::Ports) {
    std::string whyNot;
    const auto manager = platform::ConnectToModemManager(whyNot);
    return RunPortsCommand(options.command->json, ConnectToUdev, manager.get());
  }
  // With --sim, signals are caught from before the throw-away root is made,
  // so even one in the first moments ends the run through its close and the
  // root goes. A real port has no throw-away root: there they are caught
  // after ModemManager's wait, which a Ctrl+C still ends at once (and
  // ModemManager takes back what it was asked).
  std::optional<frontends::SignalPath> signals;
  if (!options.hostPort) signals.emplace();
  ChosenRoot root;
  std::unique_ptr<ModemManagerHold> modemManager;
  std::unique_ptr<Handheld> handheld;
  try {
    root = ChooseDeviceRoot(options);
    handheld = std::make_unique<Handheld>(options, *root.root);
    if (options.resetManagementFile) {
      handheld->clock->shutdown();
      return ResetManagementFileCommand(*root.root, *handheld->codePage);
    }
    std::unique_ptr<frontends::Frontend> frontend = ChooseFrontend(options, *handheld, makeWindow);
    modemManager = KeepModemManagerOff(options, *handheld->clock);
    if (!signals) signals.emplace();
    // From here on a signal ends the run through the screens' close, or the
    // frontend's own answer; one that came earlier is delivered now.
    auto delivery = signals->deliverTo(handheld->loop, *frontend, [&handheld] {
      platform::UserInput(handheld->display, handheld->windows).close();
    });
    CheckPort(options, *root.root);
    const int exitCode = Run(options, *handheld, *frontend);
    delivery.reset();
    frontend.reset();
    handheld.reset();
    // The port is closed: ModemManager may have its device back.
    if (modemManager) modemManager->release();
    return exitCode;
  } catch (const StartFailure& failure) {
    if (handheld) handheld->clock->shutdown();
    if (!failure.message.empty()) std::fprintf(stderr, "p42r: %s\n", failure.message.c_str());
    return failure.exitCode;
  }
  catch (...) {
    // Told by main; the clock lets go of its waiters first, so the
    // handheld's threads end and the throw-away root is removed on the way.
    if (handheld) handheld->clock->shutdown();
    throw;
  }
}

}  // namespace p42r::program
