#include "card/SimulatedCard.h"

#include "card/CardError.h"
#include "card/SteadyCardClock.h"

namespace p42r::card {

namespace {

std::shared_ptr<CardClock> clockOrSteady(const std::shared_ptr<CardClock>& clock) {
  return clock ? clock : std::make_shared<SteadyCardClock>();
}

}  // namespace

SimulatedCard::SimulatedCard(SimulatedCardOptions options)
    : options_(std::move(options)),
      clock_(clockOrSteady(options_.clock)),
      engine_(options_.scenario, *clock_),
      registration_(options_.deviceRoot) {
  PseudoTerminal atPort = PseudoTerminal::open();
  PseudoTerminal otherPort;
  if (options_.otherPort) {
    otherPort = PseudoTerminal::open();
  }
  atPort_ = registration_.add(CardPort::AtCommands, atPort.slavePath(), options_.comNumber);
  if (otherPort.isOpen()) {
    registration_.add(CardPort::Other, otherPort.slavePath(), std::nullopt);
  }
  engine_.plugIn();
  ServiceClient& client = *this;  // a private base: converted here, inside the class
  service_ = std::make_unique<PtyService>(*clock_, client, std::move(atPort), std::move(otherPort),
                                          options_.ledger);
  service_->start();
}

SimulatedCard::~SimulatedCard() {
  if (service_) {
    service_->stop();
    service_.reset();  // closes the ptys
  }
  std::lock_guard lock(mutex_);
  try {
    registration_.removeAll();
  } catch (const CardError&) {
    // Destruction cannot report; unplug() is the way to learn of a failure.
  }
}

void SimulatedCard::unplug() {
  if (!service_) return;
  service_->stop();
  {
    std::lock_guard lock(mutex_);
    if (unplugged_) return;  // the scenario pulled it out already
    engine_.requestUnplug();
  }
  service_.reset();
  portsClosed();
}

bool SimulatedCard::unplugged() const {
  std::lock_guard lock(mutex_);
  return unplugged_;
}

bool SimulatedCard::waitUntilUnplugged(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return unpluggedChanged_.wait_for(lock, timeout, [this] { return unplugged_; });
}

std::string SimulatedCard::unplugError() const {
  std::lock_guard lock(mutex_);
  return unplugError_;
}

CardState SimulatedCard::state() const {
  std::lock_guard lock(mutex_);
  return engine_.state();
}

void SimulatedCard::trace(TrafficDirection direction, std::string_view bytes) const {
  if (options_.trace && !bytes.empty()) {
    options_.trace(direction, bytes);
  }
}

std::string SimulatedCard::received(std::string_view bytes) {
  std::string output;
  {
    std::lock_guard lock(mutex_);
    engine_.receive(bytes);
    output = engine_.takeOutput();
  }
  // Told once the card has acted on the bytes, so whoever watches the trace
  // knows the card's timers for the command are set (a test may then let
  // virtual time pass).
  trace(TrafficDirection::ToCard, bytes);
  trace(TrafficDirection::FromCard, output);
  return output;
}

std::string SimulatedCard::timersDue() {
  std::string output;
  {
    std::lock_guard lock(mutex_);
    engine_.runDue();
    output = engine_.takeOutput();
  }
  trace(TrafficDirection::FromCard, output);
  return output;
}

std::optional<std::chrono::steady_clock::time_point> SimulatedCard::nextDeadline() {
  std::lock_guard lock(mutex_);
  return engine_.nextDeadline();
}

bool SimulatedCard::unplugWanted() {
  std::lock_guard lock(mutex_);
  return engine_.unplugRequested();
}

void SimulatedCard::portsClosed() {
  {
    std::lock_guard lock(mutex_);
    try {
      registration_.removeAll();
    } catch (const CardError& error) {
      unplugError_ = error.what();
    }
    unplugged_ = true;
  }
  unpluggedChanged_.notify_all();
  if (options_.onUnplugged) {
    options_.onUnplugged();
  }
  // Only once the removal is told: until then the host has it still to hear.
  if (options_.ledger) options_.ledger->cardGone();
}

}  // namespace p42r::card
