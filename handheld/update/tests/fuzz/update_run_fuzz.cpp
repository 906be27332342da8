// The phone update's reply handling: once the update run has started, the
// card's notices, reasons and keep-alives are the fuzzer's lines, with silence
// and taps on abort and back between them (an empty line lets half the
// no-reply time pass).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "testing/ScreenFuzz.h"
#include "update/tests/UpdateStage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace p42r;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  update::UpdateStage stage;
  stage.SwitchScreen(8);
  stage.RunUntilIdle();
  stage.Click(1027);
  testing::RunScreenFuzz(stage,
                         {stage.updating.handle(), {testing::TapButton(stage, 1030), testing::TapButton(stage, 1061)},
                          update::ClsUpdating::kWatchdogPeriod.count() / 2},
                         input);
  return 0;
}
