// The communication state screen's reply handling: after a tap on
// "状態取得" the card's lines are the fuzzer's (the network kind and the
// reception level, or anything else), with silence and further taps between.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "status/tests/StatusStage.h"
#include "testing/ScreenFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace p42r;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  status::StatusStage stage;
  stage.SwitchScreen(10);
  stage.RunUntilIdle();
  stage.Click(1033);
  testing::RunScreenFuzz(stage,
                         {stage.state.handle(),
                          {testing::TapButton(stage, 1033), testing::TapButton(stage, 1034),
                           testing::TapButton(stage, 1035)}},
                         input);
  // The picture shown is one of the level pictures, or none.
  const int picture = stage.state.shownPicture();
  bool known = picture == 0;
  for (const int level : status::ClsDispState::kLevelPictures) known = known || picture == level;
  if (!known) std::abort();
  return 0;
}
