// What is on its way between a program and the simulated card it runs in
// its own process, on one virtual clock: the bytes each side has sent that
// the other has not yet taken and handled, and whether the card has caught
// up with the clock's last move. A program that moves its clock by itself
// (a command on virtual time) moves it only once the link has settled, so
// an answer still crossing the pseudo-terminal, however slow the machine,
// is heard at the time it was given. Both sides and the program's
// user-interface thread use one ledger; every call is thread-safe.
//
// The counts are exact while the line is in use. Where bytes are thrown
// away without being counted (a purge of what waits for the host, the card
// pulled out), the ledger forgets what was on its way, so it can never wait
// for bytes that will not come; a late arrival of a forgotten byte counts
// for nothing.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace p42r::card {

class LinkLedger {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  // --- the card's side ---
  // The clock moved (told on the moving thread, before the card wakes).
  void timeMoved();
  std::uint64_t timeMoves() const;
  // `count` bytes are on their way to the host (queued by the card).
  void cardSends(std::size_t count);
  // Queued bytes the line would not take: they will not arrive.
  void cardDropped(std::size_t count);
  // A turn of the card has ended: it took `taken` of the host's bytes (and
  // queued its answers), ran everything due up to the clock's move `moves`,
  // and its next deadline is `next` (none: nothing due). One call, so the
  // link never looks settled with the deadline of the turn before.
  void cardTurnEnded(std::size_t taken, std::uint64_t moves, std::optional<TimePoint> next);
  // The card is pulled out: nothing more comes or goes.
  void cardGone();

  // --- the host's side ---
  void hostSends(std::size_t count);
  void hostUnsent(std::size_t count);  // a write that fell short
  // The host read `count` bytes; it handles them until hostHandled().
  void hostRead(std::size_t count);
  void hostHandled();
  // Whether a reader waits on the port: bytes for the host only matter then.
  void hostListening(bool listening);
  // What waited for the host was thrown away.
  void hostPurged();

  // --- the one who moves the clock ---
  bool settled() const;
  // The card's next deadline, once settled.
  std::optional<TimePoint> cardDeadline() const;
  // `then` runs once, on whichever thread settles the link (at once when it
  // is settled already); a later call replaces it, an empty one cancels.
  void whenSettled(std::function<void()> then);

 private:
  // Bytes on their way one direction or the other, counted in or out.
  void sent(std::size_t& onItsWay, std::size_t count);
  void wontArrive(std::size_t& onItsWay, std::size_t count);
  bool settledLocked() const;
  // Runs the waiting callback, outside the lock, if the link has settled.
  void changed(std::unique_lock<std::mutex>& lock);

  mutable std::mutex mutex_;
  std::size_t toCard_ = 0;
  std::size_t toHost_ = 0;
  std::size_t inHand_ = 0;
  bool listening_ = false;
  std::uint64_t moves_ = 0;
  std::optional<std::uint64_t> caughtUp_;  // none: the card has not reported yet
  std::optional<TimePoint> deadline_;
  bool gone_ = false;
  std::function<void()> whenSettled_;
};

}  // namespace p42r::card
