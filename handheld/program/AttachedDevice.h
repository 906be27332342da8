// What is plugged into the emulated handheld for one run of p42r: the
// embedded simulated card on a pseudo-terminal, or a host serial device
// registered as the card's AT port. Either is removed from the device root's
// registry again when the run ends.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace p42r::platform {
class ManualClock;
}
namespace p42r::card {
class LinkLedger;
}

namespace p42r::program {

class AttachedDevice {
 public:
  virtual ~AttachedDevice() = default;
  // The CE name of the card's AT port ("COM4:").
  virtual std::string comName() const = 0;
  // Told once, from any thread, when the device goes away.
  virtual void onRemoved(std::function<void()> removed) = 0;
};

struct SimulatedCardRequest {
  std::filesystem::path deviceRoot;
  std::string scenario;  // a built-in name or a JSON file; empty: the normal card
  platform::ManualClock* virtualClock = nullptr;  // the card follows it when set
  std::shared_ptr<card::LinkLedger> ledger;       // told of the traffic when set
  bool trace = false;
};

// Plugs the simulated card in; nothing (and `error` set) when it cannot be.
std::unique_ptr<AttachedDevice> PlugSimulatedCard(const SimulatedCardRequest& request, std::string& error);

// Registers `hostDevice` as the card's AT port, under the name it was given
// (a stable /dev/serial/by-id/... link stays a link). CheckHostPort has
// looked at it before.
std::unique_ptr<AttachedDevice> RegisterHostPort(const std::filesystem::path& deviceRoot,
                                                 const std::string& hostDevice, std::string& error);

}  // namespace p42r::program
