// The application list screen's reply handling: the card's answers to the
// status query (every application's code and state), to each name query and
// to a start or a stop are the fuzzer's lines, with silence, row selections
// and taps on start, stop and back between them.
//
// The list never shows more than the card's six applications.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "apps/tests/AppsStage.h"
#include "testing/ScreenFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace p42r;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  apps::AppsStage stage;
  stage.SwitchScreen(5);
  stage.SwitchScreen(13);
  stage.RunUntilIdle();
  auto row = [&stage](int number) {
    return [&stage, number] {
      const platform::Control& list = stage.Control(1052);
      if (list.isEnabled() && number < static_cast<int>(stage.Rows().size())) stage.Select(number);
    };
  };
  testing::RunScreenFuzz(stage,
                         {stage.screen.handle(),
                          {testing::TapButton(stage, 1053), testing::TapButton(stage, 1054),
                           testing::TapButton(stage, 1057), row(0), row(1), row(5)}},
                         input);
  if (stage.Rows().size() > 6) std::abort();
  return 0;
}
