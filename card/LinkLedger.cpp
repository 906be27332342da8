#include "card/LinkLedger.h"

#include <algorithm>

namespace p42r::card {

namespace {

std::size_t Less(std::size_t total, std::size_t count) { return total - std::min(total, count); }

}  // namespace

void LinkLedger::timeMoved() {
  std::lock_guard lock(mutex_);
  ++moves_;
}

std::uint64_t LinkLedger::timeMoves() const {
  std::lock_guard lock(mutex_);
  return moves_;
}

void LinkLedger::sent(std::size_t& onItsWay, std::size_t count) {
  std::lock_guard lock(mutex_);
  if (!gone_) onItsWay += count;
}

void LinkLedger::wontArrive(std::size_t& onItsWay, std::size_t count) {
  std::unique_lock lock(mutex_);
  onItsWay = Less(onItsWay, count);
  changed(lock);
}

void LinkLedger::cardSends(std::size_t count) { sent(toHost_, count); }

void LinkLedger::cardDropped(std::size_t count) { wontArrive(toHost_, count); }

void LinkLedger::cardTurnEnded(std::size_t taken, std::uint64_t moves, std::optional<TimePoint> next) {
  std::unique_lock lock(mutex_);
  if (gone_) return;
  toCard_ = Less(toCard_, taken);
  caughtUp_ = moves;
  deadline_ = next;
  changed(lock);
}

void LinkLedger::cardGone() {
  std::unique_lock lock(mutex_);
  gone_ = true;
  toCard_ = toHost_ = 0;
  deadline_.reset();
  changed(lock);
}

void LinkLedger::hostSends(std::size_t count) { sent(toCard_, count); }

void LinkLedger::hostUnsent(std::size_t count) { wontArrive(toCard_, count); }

void LinkLedger::hostRead(std::size_t count) {
  std::lock_guard lock(mutex_);
  toHost_ = Less(toHost_, count);
  inHand_ += count;
}

void LinkLedger::hostHandled() {
  std::unique_lock lock(mutex_);
  inHand_ = 0;
  changed(lock);
}

void LinkLedger::hostListening(bool listening) {
  std::unique_lock lock(mutex_);
  listening_ = listening;
  if (!listening) inHand_ = 0;
  changed(lock);
}

void LinkLedger::hostPurged() {
  std::unique_lock lock(mutex_);
  toHost_ = 0;
  changed(lock);
}

bool LinkLedger::settled() const {
  std::lock_guard lock(mutex_);
  return settledLocked();
}

std::optional<LinkLedger::TimePoint> LinkLedger::cardDeadline() const {
  std::lock_guard lock(mutex_);
  return deadline_;
}

void LinkLedger::whenSettled(std::function<void()> then) {
  std::unique_lock lock(mutex_);
  whenSettled_ = std::move(then);
  changed(lock);
}

bool LinkLedger::settledLocked() const {
  if (gone_) return true;
  // The host's unread bytes wait for a reader; without one nothing hears them.
  const bool hostDone = !listening_ || (toHost_ == 0 && inHand_ == 0);
  return toCard_ == 0 && hostDone && caughtUp_ == moves_;
}

void LinkLedger::changed(std::unique_lock<std::mutex>& lock) {
  if (!whenSettled_ || !settledLocked()) return;
  std::function<void()> then = std::move(whenSettled_);
  whenSettled_ = nullptr;
  lock.unlock();
  then();
}

}  // namespace p42r::card
