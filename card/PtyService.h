// The card's service thread. It blocks in poll() on the pty master and a wake
// eventfd, with the timeout the clock gives for the next timer, hands
// received bytes and due timers to its client, and writes what the client
// produces. No busy wait: with nothing due it sleeps until bytes arrive, the
// clock moves or stop() is called. When the client wants the card unplugged
// it closes the ptys itself and ends. A ledger, when given, is told of
// every byte taken and queued and of each turn's end (see LinkLedger).
#pragma once

#include "card/CardClock.h"
#include "card/LinkLedger.h"
#include "card/PseudoTerminal.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace p42r::card {

class ServiceClient {
public:
  virtual ~ServiceClient() = default;
  // Bytes from the AT port; returns the bytes to send back.
  virtual std::string received(std::string_view bytes) = 0;
  // Runs the timers that are due; returns the bytes to send.
  virtual std::string timersDue() = 0;
  virtual std::optional<std::chrono::steady_clock::time_point> nextDeadline() = 0;
  virtual bool unplugWanted() = 0;
  // Called on the service thread once the ptys are closed.
  virtual void portsClosed() = 0;
};

class WakeSignal;

class PtyService {
public:
  // `other` (may be closed) is the card's second port: it is kept open and
  // whatever arrives on it is read and dropped.
  PtyService(CardClock& clock, ServiceClient& client, PseudoTerminal atPort, PseudoTerminal other,
             std::shared_ptr<LinkLedger> ledger = nullptr);
  ~PtyService();
  PtyService(const PtyService&) = delete;
  PtyService& operator=(const PtyService&) = delete;

  // Throws CardError (system failure) when the thread cannot start.
  void start();
  // Ends the thread and joins it; the ptys stay open until destruction.
  void stop();
  // Makes the thread look at its client again (a change made from outside).
  void wake();

  static constexpr std::size_t kMaxPendingOutput = 1024 * 1024;

private:
  void serve();
  bool readAtPort(std::string& output, std::size_t& taken);
  void drainOther();
  void flush();
  int pollTimeout();
  // Tells the ledger the turn that saw the clock's move `moves` has ended,
  // having taken `taken` bytes from the host.
  void turnEnded(std::size_t taken, std::uint64_t moves);

  CardClock& clock_;
  ServiceClient& client_;
  PseudoTerminal atPort_;
  PseudoTerminal other_;
  std::shared_ptr<LinkLedger> ledger_;
  std::shared_ptr<WakeSignal> wakeSignal_;
  std::atomic<bool> stopRequested_{false};
  std::thread thread_;
  std::string pendingOutput_;
};

}  // namespace p42r::card
