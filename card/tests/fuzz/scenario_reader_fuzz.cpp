// Arbitrary text as a scenario file: either a clear refusal or a scenario
// that a card can play.
#include "card/CardEngine.h"
#include "card/CardError.h"
#include "card/ManualCardClock.h"
#include "card/ScenarioReader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace std::chrono_literals;
  p42r::card::Scenario scenario;
  try {
    scenario = p42r::card::readScenario(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
  } catch (const p42r::card::CardError&) {
    return 0;
  }
  p42r::card::ManualCardClock clock;
  p42r::card::CardEngine engine(scenario, clock);
  engine.plugIn();
  for (const char* command : {"ATE0", "AT+GMI", "AT@KUPSTART", "AT&OP=APP?", "AT@ALDR=1", "AT@KUPEND"}) {
    engine.receive(std::string(command) + "\r\n");
    clock.advance(1min);
    engine.runDue();
  }
  clock.advance(24h);
  engine.runDue();
  (void)engine.takeOutput();
  return 0;
}
