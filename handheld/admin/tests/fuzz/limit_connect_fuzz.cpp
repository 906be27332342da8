// The connection-destination limit screen's reply handling: the card's
// answers to the read of the three domain slots, to the writes of a slot and
// to the connection result query are the fuzzer's lines, with silence, taps
// on the buttons and rows, and a typed domain between them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "admin/tests/AdminStage.h"
#include "testing/ScreenFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace p42r;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  admin::AdminStage stage;
  stage.SwitchScreen(12);
  stage.RunUntilIdle();
  auto row = [&stage](int number) {
    return [&stage, number] {
      if (stage.LimitControl(1045).isEnabled()) stage.SelectRow(number);
    };
  };
  testing::RunScreenFuzz(stage,
                         {stage.limit.handle(),
                          {testing::TapButton(stage, 1042), testing::TapButton(stage, 1043),
                           testing::TapButton(stage, 1044), testing::TapButton(stage, 1046),
                           testing::TapButton(stage, 1047), row(0), row(1), row(2),
                           [&stage] {
                             if (stage.LimitControl(1041).isEnabled()) stage.Type(1041, u"fuzz.example.jp");
                           }}},
                         input);
  return 0;
}
