// tui_demo: the terminal interface on a stand-in of the program (see
// DemoHandheld.h), and a way to write what a screen looks like as text with
// colour codes, without any terminal.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "frontends/render/AnsiWriter.h"
#include "frontends/render/DisplayRenderer.h"
#include "frontends/tui/SignalPath.h"
#include "frontends/tui/TerminalFrontend.h"
#include "frontends/tui/demo/DemoHandheld.h"
#include "platform/Form.h"
#include "resources/Bitmaps.h"
#include "resources/DialogTemplate.h"
#include "resources/StringTable.h"

namespace {

using namespace p42r;
namespace render = p42r::frontends::render;
using frontends::demo::DemoHandheld;

constexpr const char* kHelp = R"(Usage: tui_demo [OPTIONS]

Runs the terminal interface on a stand-in of the handheld program: the
start-up picture, the consumer menu, the update start page and an update
run with its progress bar and animation.

Options:
  --screen N          start on dialog template N (201-216, 100, 200) instead of 201
  --no-stretch        the display cannot stretch bitmaps (pictures unscaled)
  --step-ms N         milliseconds between two update notices (default 350)
  --crash-after N     let an exception escape after N ms (the terminal must survive)
  --pid-file FILE     write the process id to FILE (for tests that send signals)
  --capture SCENE     write SCENE as text with colour codes to standard output
                      and end; SCENE is menu, warning, update, finished or a template id
  --size COLSxROWS    the capture's size (default 80x24)
  --colours KIND      the capture's colours: truecolor (default), 256, 8 or mono
  -h, --help          show this text

Keys: Tab, Shift-Tab and the arrows move the focus, Space presses, typing
fills a field, Return is the screen's key, Esc closes a box, Ctrl-C or
Ctrl-Q ends. The mouse presses buttons and picks list rows.

Exit codes: 0 ended normally, 1 no terminal, 2 bad command line.
)";

struct Arguments {
  DemoHandheld::Options demo;
  std::optional<std::string> capture;
  std::optional<std::string> pidFile;
  int columns = 80;
  int rows = 24;
  render::ColourDepth depth = render::ColourDepth::TrueColour;
};

bool ParseInt(const std::string& text, int& value) {
  char* end = nullptr;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || parsed < 0 || parsed > 1000000) return false;
  value = static_cast<int>(parsed);
  return true;
}

std::optional<Arguments> Parse(const std::vector<std::string>& args, std::string& error) {
  Arguments parsed;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (arg == "--no-stretch") {
      parsed.demo.canStretch = false;
    } else if (arg == "--screen" || arg == "--step-ms" || arg == "--crash-after" || arg == "--capture" ||
               arg == "--size" || arg == "--colours" || arg == "--pid-file") {
      const auto given = value();
      if (!given) {
        error = arg + " needs a value";
        return std::nullopt;
      }
      int number = 0;
      if (arg == "--screen") {
        if (!ParseInt(*given, number) || resources::FindDialog(static_cast<std::uint16_t>(number)) == nullptr) {
          error = "--screen takes a dialog template id, not '" + *given + "'";
          return std::nullopt;
        }
        parsed.demo.firstTemplate = number;
      } else if (arg == "--step-ms" || arg == "--crash-after") {
        if (!ParseInt(*given, number)) {
          error = arg + " takes a number of milliseconds, not '" + *given + "'";
          return std::nullopt;
        }
        (arg == "--step-ms" ? parsed.demo.progressStepMs : parsed.demo.crashAfterMs) = number;
      } else if (arg == "--capture") {
        parsed.capture = *given;
      } else if (arg == "--pid-file") {
        parsed.pidFile = *given;
      } else if (arg == "--size") {
        const auto x = given->find('x');
        if (x == std::string::npos || !ParseInt(given->substr(0, x), parsed.columns) ||
            !ParseInt(given->substr(x + 1), parsed.rows) || parsed.columns < 1 || parsed.rows < 1) {
          error = "--size takes COLUMNSxROWS, not '" + *given + "'";
          return std::nullopt;
        }
      } else {
        if (*given == "truecolor") parsed.depth = render::ColourDepth::TrueColour;
        else if (*given == "256") parsed.depth = render::ColourDepth::Palette256;
        else if (*given == "8") parsed.depth = render::ColourDepth::Basic8;
        else if (*given == "mono") parsed.depth = render::ColourDepth::Monochrome;
        else {
          error = "--colours takes truecolor, 256, 8 or mono, not '" + *given + "'";
          return std::nullopt;
        }
      }
    } else {
      error = "unknown option " + arg + " (see --help)";
      return std::nullopt;
    }
  }
  return parsed;
}

// Brings the stand-in into the state of `scene` and writes it.
int Capture(const Arguments& args) {
  platform::ManualClock clock;
  DemoHandheld::Options options = args.demo;
  const std::string& scene = *args.capture;
  int shown = 0;
  if (scene == "menu") shown = 216;
  else if (scene == "warning") shown = 208;
  else if (scene == "update" || scene == "finished") shown = 209;
  else if (int number = 0; ParseInt(scene, number) && resources::FindDialog(static_cast<std::uint16_t>(number))) shown = number;
  if (shown == 0) {
    std::fprintf(stderr, "tui_demo: unknown scene '%s'\n", scene.c_str());
    return 2;
  }
  options.firstTemplate = shown == 209 ? 208 : shown;
  DemoHandheld handheld(clock, options);
  platform::Display& display = handheld.display();
  render::PictureLibrary pictures;
  const auto write = [&] {
    const auto drawn = render::RenderDisplay(display, pictures, {args.columns, args.rows, 0});
    std::fputs(render::AnsiText(drawn.grid, args.depth).c_str(), stdout);
  };
  if (shown == 209) {
    handheld.switchTo(209);
    handheld.stopAnimation();
    platform::Form& screen = handheld.screen(209);
    const bool finished = scene == "finished";
    for (int step = 0; step < (finished ? 17 : 8); ++step) handheld.timer(static_cast<frontends::demo::DemoScreen&>(screen), 2);
    const platform::PictureMode mode = options.canStretch ? platform::PictureMode::Stretch : platform::PictureMode::Unscaled;
    screen.control(1079)->setPicture({resources::kBitmapAnimationFirst + (finished ? 7 : 3), mode, 0, 0});
  }
  if (scene == "warning") {
    handheld.loop().postTask([&] {
      write();
      display.answerMessageBox(platform::IDCANCEL);
    });
    display.messageBox(resources::LoadString(30205), platform::MB_OKCANCEL | platform::MB_ICONEXCLAMATION);
    return 0;
  }
  handheld.loop().runModal([&] { return !handheld.loop().hasPosted(); });
  write();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (const auto& arg : args) {
    if (arg == "-h" || arg == "--help") {
      std::fputs(kHelp, stdout);
      return 0;
    }
  }
  std::string error;
  const auto parsed = Parse(args, error);
  if (!parsed) {
    std::fprintf(stderr, "tui_demo: %s\n", error.c_str());
    return 2;
  }
  if (parsed->capture) return Capture(*parsed);
  if (auto why = frontends::TerminalFrontend::Unavailable()) {
    std::fprintf(stderr, "tui_demo: %s\n", why->c_str());
    return 1;
  }
  if (parsed->pidFile) {
    std::FILE* file = std::fopen(parsed->pidFile->c_str(), "w");
    if (file == nullptr) {
      std::fprintf(stderr, "tui_demo: cannot write %s\n", parsed->pidFile->c_str());
      return 2;
    }
    std::fprintf(file, "%d\n", static_cast<int>(::getpid()));
    std::fclose(file);
  }
  platform::SteadyClock clock;
  int code = 0;
  {
    frontends::SignalPath signals;
    DemoHandheld handheld(clock, parsed->demo);
    frontends::TerminalFrontend frontend(handheld.display(), handheld.windows());
    // The terminal frontend answers every signal it takes itself.
    const auto delivery = signals.deliverTo(handheld.loop(), frontend, [] {});
    try {
      frontend.start();
    } catch (const frontends::TerminalUnavailable& failure) {
      std::fprintf(stderr, "tui_demo: %s\n", failure.what());
      return 1;
    }
    code = handheld.loop().run();
    handheld.stopAnimation();
    frontend.finish(code);
  }
  clock.shutdown();
  return code;
}
