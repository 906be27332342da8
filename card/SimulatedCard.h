// A simulated card plugged into an emulated handheld: a pty for its AT port
// (and optionally its second port), its driver entries in the device root's
// registry, the protocol engine playing a scenario, and the service thread
// that connects them. Construction plugs the card in; unplug() or the
// scenario pulls it out (the pty closes, the entries go); destruction stops
// the thread and removes whatever is left. This is what p42r-card runs and
// what a program links to run a card in-process.
#pragma once

#include "card/CardClock.h"
#include "card/CardEngine.h"
#include "card/CardRegistration.h"
#include "card/CardState.h"
#include "card/LinkLedger.h"
#include "card/PtyService.h"
#include "card/Scenario.h"
#include "card/TrafficTrace.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace p42r::card {

struct SimulatedCardOptions {
  std::filesystem::path deviceRoot;
  Scenario scenario;
  std::optional<int> comNumber;  // none: the lowest free COM name
  bool otherPort = false;        // also register the card's non-AT port
  std::shared_ptr<CardClock> clock;  // none: the steady clock
  // Called on the service thread with every chunk received and sent.
  std::function<void(TrafficDirection, std::string_view)> trace;
  // Called on the service thread once the card was pulled out.
  std::function<void()> onUnplugged;
  // Told of the traffic, for a host in this process on the card's clock.
  std::shared_ptr<LinkLedger> ledger;
};

class SimulatedCard final : private ServiceClient {
public:
  // Throws CardError: invalid input (device root, registry, COM name),
  // system failure (pty, registry file, thread).
  explicit SimulatedCard(SimulatedCardOptions options);
  ~SimulatedCard() override;
  SimulatedCard(const SimulatedCard&) = delete;
  SimulatedCard& operator=(const SimulatedCard&) = delete;

  const std::string& slavePath() const { return atPort_.hostDevice; }
  const std::string& comName() const { return atPort_.comName; }
  const std::string& registryKey() const { return atPort_.keyPath; }

  // Pulls the card out and returns once the pty is closed and the entries
  // are removed. Call it from the owner's thread, not from a callback.
  void unplug();
  bool unplugged() const;
  // Waits (real time) until the card is pulled out; false on timeout.
  bool waitUntilUnplugged(std::chrono::milliseconds timeout) const;
  // What went wrong removing the registry entries on unplug; empty if nothing.
  std::string unplugError() const;

  // A copy of the card's state.
  CardState state() const;

private:
  std::string received(std::string_view bytes) override;
  std::string timersDue() override;
  std::optional<std::chrono::steady_clock::time_point> nextDeadline() override;
  bool unplugWanted() override;
  void portsClosed() override;

  void trace(TrafficDirection direction, std::string_view bytes) const;

  SimulatedCardOptions options_;
  std::shared_ptr<CardClock> clock_;
  mutable std::mutex mutex_;
  mutable std::condition_variable unpluggedChanged_;
  CardEngine engine_;
  CardRegistration registration_;
  PortEntry atPort_;
  bool unplugged_ = false;
  std::string unplugError_;
  std::unique_ptr<PtyService> service_;
};

}  // namespace p42r::card
