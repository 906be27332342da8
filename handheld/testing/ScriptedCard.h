// A card for in-process tests, behind the fake serial port: it answers each
// command the program writes with the bytes a test chose (a normal card by
// default) and keeps the commands it got. Also writes the card's driver entry
// into a device root's registry file, as plugging a card in would.
#pragma once

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "testing/FakeSerialApi.h"

namespace p42r::testing {

class ScriptedCard {
 public:
  // Registers "COM4:" with `serial` and answers like a normal card:
  // "ATE0" -> OK, "AT+GMI" -> "Halvorn.Corp" and OK.
  explicit ScriptedCard(FakeSerialApi& serial, std::u16string portName = u"COM4:");
  ~ScriptedCard();
  ScriptedCard(const ScriptedCard&) = delete;
  ScriptedCard& operator=(const ScriptedCard&) = delete;

  // What the card sends back for `command` (without its CR LF); empty: nothing.
  void answer(const std::string& command, std::string reply);
  void silence(const std::string& command) { answer(command, ""); }
  // Sends bytes on its own, as a notice.
  void send(std::string_view bytes) { serial_.feed(bytes); }
  // The commands received so far, without their line ends.
  std::vector<std::string> commands() const;

 private:
  FakeSerialApi& serial_;
  mutable std::mutex mutex_;
  std::map<std::string, std::string> answers_;
  std::vector<std::string> commands_;
};

// The card's driver entry in `registryFile` (the AT port's Key ends in "2").
void WriteCardRegistry(const std::filesystem::path& registryFile, const std::string& portName = "COM4:",
                       const std::string& hostDevice = "/dev/null");

}  // namespace p42r::testing
