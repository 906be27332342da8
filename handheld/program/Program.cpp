#include "program/Program.h"

#include <unistd.h>

#include <cstdio>
#include <memory>

#include "app/CPocketPCApp.h"
#include "frontends/script/ScriptFrontend.h"
#include "platform/Clock.h"
#include "platform/Display.h"
#include "platform/EventLoop.h"
#include "platform/Window.h"

namespace p42r::program {

int RunProgram(const ProgramOptions& options) {
  const bool explicitRoot = options.deviceRoot.has_value();
  platform::DeviceRoot deviceRoot(explicitRoot ? std::filesystem::path(*options.deviceRoot)
                                               : platform::DefaultDeviceRoot());
  if (auto problem = deviceRoot.prepare(/*createIfMissing=*/!explicitRoot)) {
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
  } catch (const std::exception& error) {
    std::fprintf(stderr, "p42r: unknown code page %s\n", options.codePage.c_str());
    return kExitUsage;
  }

  std::unique_ptr<platform::Clock> clock;
  if (options.virtualClock) {
    clock = std::make_unique<platform::ManualClock>(std::chrono::system_clock::now());
  } else {
    clock = std::make_unique<platform::SteadyClock>();
  }
  platform::EventLoop loop(*clock);
  platform::WindowSystem windows(loop);
  platform::Display display(loop);
  platform::DiagnosticLog log(*clock);
  app::AppState state;
  app::Services services{*clock, loop, windows, display, deviceRoot, *codePage, log, state};

  auto frontend = std::make_unique<frontends::ScriptFrontend>(display, windows, stdout, STDIN_FILENO);

  app::CPocketPCApp::Options appOptions;
  appOptions.commandLine = options.handheldCommandLine;
  appOptions.landscape = options.landscape;
  int exitCode = kExitOk;
  {
    app::CPocketPCApp application(services, appOptions);
    if (!application.InitInstance()) {
      // A second copy ends silently; nothing was shown.
      clock->shutdown();
      return application.startFailure() == app::CPocketPCApp::StartFailure::AlreadyRunning ? kExitAlreadyRunning
                                                                                              : kExitStartFailed;
    }
    frontend->start();
    loop.run();
    exitCode = application.ExitInstance();
  }
  clock->shutdown();
  frontend->finish(exitCode);
  return exitCode;
}

}  // namespace p42r::program
