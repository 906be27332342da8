// A card engine on a manual clock, for tests that talk to it byte by byte.
#pragma once

#include "card/CardEngine.h"
#include "card/ManualCardClock.h"
#include "card/ReplyWriter.h"
#include "card/TrafficTrace.h"

#include <chrono>
#include <initializer_list>
#include <string>
#include <string_view>

namespace p42r::card::testing {

class EngineHarness {
public:
  explicit EngineHarness(Scenario scenario = {}) : engine(std::move(scenario), clock) { engine.plugIn(); }

  // Bytes in; what the card sends at once.
  std::string send(std::string_view bytes) {
    engine.receive(bytes);
    return engine.takeOutput();
  }
  // A command as the handheld writes it: text, CR, LF, NUL.
  std::string command(std::string_view text) { return send(std::string(text) + std::string("\r\n\0", 3)); }

  // Moves the clock; what the card sends meanwhile.
  std::string advance(std::chrono::milliseconds step) {
    clock.advance(step);
    engine.runDue();
    return engine.takeOutput();
  }

  ManualCardClock clock;
  CardEngine engine;
};

// The bytes of reply lines framed as the card frames them.
inline std::string framed(std::initializer_list<std::string_view> lines) {
  std::string bytes;
  for (const auto line : lines) bytes += ReplyWriter::frame(line);
  return bytes;
}

}  // namespace p42r::card::testing
