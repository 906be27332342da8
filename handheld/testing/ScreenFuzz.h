// Drives a screen on a screen stage with a fuzzer's input, for the screens'
// fuzz targets. The input is read as lines. A line is handed to the screen as
// the serial reader would hand it over (trimmed; blank ones never arrive); an
// empty line lets `silence` of virtual time pass, as a card that does not
// answer would; a line that starts with byte 0x01 is a tap instead (the next
// byte chooses one of the target's taps: a button, a row), so one input can
// run several exchanges. After each step the stage must hold the promises every screen
// keeps, else the process aborts:
//  - the application is asked to close at most once, and only with the port closed;
//  - every command written ends in CR LF and the NUL that goes with it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "testing/ScreenStage.h"

namespace p42r::testing {

struct ScreenFuzzSteps {
  platform::WindowHandle window = 0;
  std::vector<std::function<void()>> taps;
  long silenceMs = 70000;
};

// The first byte of the input, which a target may use to choose how to begin.
std::uint8_t FuzzChoice(std::string_view input);

// Runs the rest of the input (after the first byte) on `stage` as above.
void RunScreenFuzz(ScreenStage& stage, const ScreenFuzzSteps& steps, std::string_view input);

// Aborts unless the stage keeps the promises above.
void CheckScreenPromises(ScreenStage& stage);

// A tap on button `id` of the visible screen, when the user could tap it now.
std::function<void()> TapButton(ScreenStage& stage, std::uint16_t id);

}  // namespace p42r::testing
