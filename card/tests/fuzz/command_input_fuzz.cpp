// Feeds arbitrary bytes to the card engine in chunks, moving the card clock
// between them: the command parser, every handler and the update run must
// take whatever a host sends.
#include "card/CardEngine.h"
#include "card/ManualCardClock.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace std::chrono_literals;
  p42r::card::ManualCardClock clock;
  p42r::card::Scenario scenario;
  scenario.update.pacing = 10ms;
  scenario.update.keepAliveInterval = 3ms;
  scenario.writing.atStart = size > 0 && (data[0] & 1) != 0;
  p42r::card::CardEngine engine(scenario, clock);
  engine.plugIn();
  std::size_t position = 0;
  while (position < size) {
    // Each chunk: one length byte, then up to that many bytes of input.
    const std::size_t length = std::min<std::size_t>(data[position] % 64, size - position - 1);
    ++position;
    engine.receive(std::string_view(reinterpret_cast<const char*>(data + position), length));
    position += length;
    clock.advance(std::chrono::milliseconds(length));
    engine.runDue();
    (void)engine.takeOutput();
  }
  clock.advance(1h);
  engine.runDue();
  (void)engine.takeOutput();
  return 0;
}
