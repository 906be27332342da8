// The LED display setting screen's reply handling: the card's answers to the
// LED setting are the fuzzer's lines, with silence and
// taps on the on/off choices, "決定" and back between them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "status/tests/StatusStage.h"
#include "testing/ScreenFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace p42r;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  status::StatusStage stage;
  stage.SwitchScreen(11);
  stage.RunUntilIdle();
  // The first byte chooses the setting sent before the lines come.
  if (testing::FuzzChoice(input) % 2 == 1) stage.Click(1037);
  stage.Click(1038);
  testing::RunScreenFuzz(stage,
                         {stage.led.handle(),
                          {testing::TapButton(stage, 1036), testing::TapButton(stage, 1037),
                           testing::TapButton(stage, 1038), testing::TapButton(stage, 1039)}},
                         input);
  return 0;
}
