#include "program/AttachedDevice.h"

#include <cstdio>
#include <mutex>

#include "card/CardClock.h"
#include "card/CardError.h"
#include "card/CardRegistration.h"
#include "card/LinkLedger.h"
#include "card/ScenarioReader.h"
#include "card/SimulatedCard.h"
#include "card/TrafficTrace.h"
#include "platform/Clock.h"

namespace p42r::program {

namespace {

// The card's clock when the program runs on virtual time: the card's delays
// fall due as the program's clock is advanced. Each move is counted in the
// ledger before the card wakes, so the link is unsettled until the card has
// looked at the new time.
class VirtualCardClock final : public card::CardClock {
 public:
  VirtualCardClock(platform::ManualClock& clock, std::shared_ptr<card::LinkLedger> ledger)
      : clock_(clock), ledger_(std::move(ledger)) {}
  ~VirtualCardClock() override { clock_.setAdvanceListener(nullptr); }

  std::chrono::steady_clock::time_point now() const override { return clock_.now(); }
  std::optional<std::chrono::milliseconds> realWaitFor(std::chrono::steady_clock::time_point) const override {
    return std::nullopt;
  }
  void setWakeup(std::function<void()> wake) override {
    if (!wake || !ledger_) {
      clock_.setAdvanceListener(std::move(wake));
      return;
    }
    clock_.setAdvanceListener([ledger = ledger_, wake = std::move(wake)] {
      ledger->timeMoved();
      wake();
    });
  }

 private:
  platform::ManualClock& clock_;
  std::shared_ptr<card::LinkLedger> ledger_;
};

// Hands the removal on to whoever listens, whichever comes first.
class RemovalNotice {
 public:
  void listen(std::function<void()> removed) {
    std::lock_guard lock(mutex_);
    listener_ = std::move(removed);
    if (removed_ && listener_) listener_();
  }
  void removed() {
    std::lock_guard lock(mutex_);
    removed_ = true;
    if (listener_) listener_();
  }

 private:
  std::mutex mutex_;
  std::function<void()> listener_;
  bool removed_ = false;
};

class EmbeddedCard final : public AttachedDevice {
 public:
  explicit EmbeddedCard(std::shared_ptr<RemovalNotice> notice) : notice_(std::move(notice)) {}
  ~EmbeddedCard() override {
    // The card goes before its clock: its thread may still be looking at it.
    card_.reset();
  }
  void plug(card::SimulatedCardOptions options) { card_ = std::make_unique<card::SimulatedCard>(std::move(options)); }
  std::string comName() const override { return card_->comName(); }
  void onRemoved(std::function<void()> removed) override { notice_->listen(std::move(removed)); }

 private:
  std::shared_ptr<RemovalNotice> notice_;
  std::unique_ptr<card::SimulatedCard> card_;
};

class HostPort final : public AttachedDevice {
 public:
  explicit HostPort(const std::filesystem::path& deviceRoot) : registration_(deviceRoot) {}
  card::CardRegistration& registration() { return registration_; }
  std::string comName() const override { return registration_.entries().front().comName; }
  // A host device does not tell of its own removal: the platform's device
  // watcher notices it once the port is opened.
  void onRemoved(std::function<void()>) override {}

 private:
  card::CardRegistration registration_;
};

}  // namespace

std::unique_ptr<AttachedDevice> PlugSimulatedCard(const SimulatedCardRequest& request, std::string& error) {
  try {
    auto notice = std::make_shared<RemovalNotice>();
    card::SimulatedCardOptions options;
    options.deviceRoot = request.deviceRoot;
    options.scenario = card::loadScenario(request.scenario.empty() ? "normal" : request.scenario);
    if (request.virtualClock != nullptr) {
      options.clock = std::make_shared<VirtualCardClock>(*request.virtualClock, request.ledger);
      options.ledger = request.ledger;
    }
    if (request.trace) {
      const auto start = std::chrono::steady_clock::now();
      options.trace = [start](card::TrafficDirection direction, std::string_view bytes) {
        const auto since = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        const std::string line = card::traceLine(direction, bytes, since);
        std::fprintf(stderr, "%s\n", line.c_str());
      };
    }
    options.onUnplugged = [notice] { notice->removed(); };
    auto device = std::make_unique<EmbeddedCard>(notice);
    device->plug(std::move(options));
    return device;
  } catch (const card::CardError& failure) {
    error = failure.what();
    return nullptr;
  }
}

std::unique_ptr<AttachedDevice> RegisterHostPort(const std::filesystem::path& deviceRoot,
                                                 const std::string& hostDevice, std::string& error) {
  try {
    auto port = std::make_unique<HostPort>(deviceRoot);
    port->registration().add(card::CardPort::AtCommands, hostDevice, std::nullopt);
    return port;
  } catch (const card::CardError& failure) {
    error = failure.what();
    return nullptr;
  }
}

}  // namespace p42r::program
