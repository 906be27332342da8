#include "testing/ScreenFuzz.h"

#include <cstdlib>

#include "link/LineText.h"

namespace p42r::testing {

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

constexpr char kTap = '\x01';

}  // namespace

std::uint8_t FuzzChoice(std::string_view input) { return input.empty() ? 0 : static_cast<std::uint8_t>(input[0]); }

void CheckScreenPromises(ScreenStage& stage) {
  Check(stage.closeRequests <= 1);
  if (stage.closeRequests == 1) Check(!stage.channel.isOpen());
  for (const std::string& write : stage.serial.writes()) {
    Check(write.size() >= 3 && write.compare(write.size() - 3, 3, std::string("\r\n\0", 3)) == 0);
  }
}

std::function<void()> TapButton(ScreenStage& stage, std::uint16_t id) {
  return [&stage, id] {
    const platform::Form* screen = stage.Current();
    const platform::Control* button = screen == nullptr ? nullptr : screen->control(id);
    if (button != nullptr && button->isEnabled() && button->isVisible()) stage.Click(id);
  };
}

void RunScreenFuzz(ScreenStage& stage, const ScreenFuzzSteps& steps, std::string_view input) {
  if (!input.empty()) input.remove_prefix(1);
  CheckScreenPromises(stage);
  while (!input.empty() && stage.closeRequests == 0) {
    const std::size_t end = input.find('\n');
    const std::string_view line = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    if (line.empty()) {
      stage.Advance(steps.silenceMs);
    } else if (line.front() == kTap) {
      if (!steps.taps.empty()) {
        const std::size_t which = line.size() > 1 ? static_cast<std::uint8_t>(line[1]) : 0;
        steps.taps[which % steps.taps.size()]();
      }
    } else {
      const std::u16string trimmed = link::TrimSpace(stage.codePage.toWide(line.substr(0, line.find('\0'))));
      if (!trimmed.empty()) {
        stage.windows.post(steps.window, app::WM_DEVICE_LINE, 0, 0,
                           std::make_unique<link::DeviceLineBytes>(stage.codePage.toAnsi(trimmed)));
        stage.RunUntilIdle();
      }
    }
    CheckScreenPromises(stage);
  }
}

}  // namespace p42r::testing
