#include <signal.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "frontends/gui/DisplayPresence.h"
#include "p42r/Version.h"
#include "program/Program.h"
#include "program/ProgramOptions.h"
#include "program/WindowHandover.h"

namespace p42r::program {

namespace {

int Main(int argc, char** argv, const WindowMaker& makeWindow) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  std::string error;
  const auto options = ParseProgramOptions(arguments, error);
  if (!options) {
    std::fprintf(stderr, "p42r: %s\n", error.c_str());
    return kExitUsage;
  }
  if (options->help) {
    std::fputs(options->help->c_str(), stdout);
    return kExitOk;
  }
  if (options->listScenarios) {
    std::fputs(ScenarioList().c_str(), stdout);
    return kExitOk;
  }
  if (options->version) {
    std::puts("p42r " P42R_VERSION);
    return kExitOk;
  }
  if (makeWindow) {
    // p42r-gui is asked for by name: the window, wherever a display is there.
    if (!options->uiChosen && options->ui == UiKind::Terminal && !frontends::WhyNoWindowDisplay()) {
      ProgramOptions window = *options;
      window.ui = UiKind::Window;
      return RunProgram(window, makeWindow);
    }
  } else {
    // Nothing is set up yet: the window part starts the run afresh.
    const auto part = FindWindowPart();
    if (ChosenUi(*options, part.has_value()) == UiKind::Window) {
      if (!part) {
        std::fprintf(stderr, "p42r: %s\n", kWindowNotInstalled);
        return kExitStartFailed;
      }
      return HandOverToWindow(*part, argv);
    }
  }
  return RunProgram(*options, makeWindow);
}

// Standard output that failed (closed by its reader, a full disk) wins over
// whatever the run ended with: what it printed did not all arrive.
int WithOutputChecked(int exitCode) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) return kExitOutputClosed;
  return exitCode;
}

}  // namespace

int ProgramMain(int argc, char** argv, const WindowMaker& makeWindow) {
  // A reader that goes away is an error on the write, handled where it
  // happens, never a signal that ends the program without its cleanup.
  ::signal(SIGPIPE, SIG_IGN);
  try {
    return WithOutputChecked(Main(argc, argv, makeWindow));
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "p42r: unexpected failure: %s\n", failure.what());
  } catch (...) {
    std::fprintf(stderr, "p42r: unexpected failure\n");
  }
  return kExitStartFailed;
}

}  // namespace p42r::program
