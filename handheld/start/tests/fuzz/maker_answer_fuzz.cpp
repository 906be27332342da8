// The start-up screen's reply handling: the card behind the registered port
// answers "ATE0" and "AT+GMI" (and, while it is still writing new software,
// the wait's notices) with the fuzzer's lines, with silence between them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "start/ClsStart.h"
#include "testing/ScreenFuzz.h"

namespace {

struct StartStage : p42r::testing::ScreenStage {
  StartStage() {
    // The start screen opens the port itself; only the fuzzer answers.
    channel.Close();
    card.silence("ATE0");
    card.silence("AT+GMI");
    p42r::testing::WriteCardRegistry(deviceRoot.registryFile());
    Add(1, start);
  }
  p42r::start::ClsStart start{services, *this};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace p42r;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  StartStage stage;
  stage.SwitchScreen(1);
  stage.RunUntilIdle();
  testing::RunScreenFuzz(stage, {stage.start.handle(), {}, 5000}, input);
  return 0;
}
