#include "card/PtyService.h"

#include "card/CardError.h"

#include <cerrno>
#include <climits>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <system_error>

namespace p42r::card {

// The eventfd lives as long as anyone who may still write it: the clock's
// wakeup holds a reference, so a late wakeup never writes a closed (or
// reused) descriptor.
class WakeSignal {
public:
  WakeSignal() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0) throw CardError::system("eventfd", "", errno);
  }
  ~WakeSignal() { ::close(fd_); }
  WakeSignal(const WakeSignal&) = delete;
  WakeSignal& operator=(const WakeSignal&) = delete;

  int fd() const { return fd_; }
  void raise() const {
    const std::uint64_t one = 1;
    // EAGAIN means the counter is already non-zero: the thread will wake.
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }
  void drain() const {
    std::uint64_t count = 0;
    while (::read(fd_, &count, sizeof count) < 0 && errno == EINTR) {
    }
  }

private:
  int fd_;
};

PtyService::PtyService(CardClock& clock, ServiceClient& client, PseudoTerminal atPort, PseudoTerminal other,
                       std::shared_ptr<LinkLedger> ledger)
    : clock_(clock),
      client_(client),
      atPort_(std::move(atPort)),
      other_(std::move(other)),
      ledger_(std::move(ledger)),
      wakeSignal_(std::make_shared<WakeSignal>()) {}

PtyService::~PtyService() { stop(); }

void PtyService::start() {
  if (thread_.joinable()) return;
  stopRequested_ = false;
  std::weak_ptr<WakeSignal> signal = wakeSignal_;
  clock_.setWakeup([signal] {
    if (auto alive = signal.lock()) alive->raise();
  });
  try {
    thread_ = std::thread([this] { serve(); });
  } catch (const std::system_error& error) {
    clock_.setWakeup({});
    throw CardError(CardErrorKind::SystemFailure, std::string("cannot start the card's service thread: ") + error.what(),
                    error.code().value());
  }
}

void PtyService::stop() {
  // From the service thread itself (a callback) there is nothing to join;
  // the loop ends on its own once the callback returns.
  if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id()) return;
  stopRequested_ = true;
  wakeSignal_->raise();
  thread_.join();
  clock_.setWakeup({});
}

void PtyService::wake() { wakeSignal_->raise(); }

int PtyService::pollTimeout() {
  const auto deadline = client_.nextDeadline();
  if (!deadline) return -1;
  const auto wait = clock_.realWaitFor(*deadline);
  if (!wait) return -1;
  if (wait->count() <= 0) return 0;
  return wait->count() > INT_MAX ? INT_MAX : static_cast<int>(wait->count());
}

void PtyService::turnEnded(std::size_t taken, std::uint64_t moves) {
  if (ledger_) ledger_->cardTurnEnded(taken, moves, client_.nextDeadline());
}

void PtyService::serve() {
  // The first turn is the start: what is due from the outset is known at once.
  turnEnded(0, ledger_ ? ledger_->timeMoves() : 0);
  while (!stopRequested_) {
    pollfd fds[3] = {};
    fds[0] = {wakeSignal_->fd(), POLLIN, 0};
    fds[1] = {atPort_.master(), static_cast<short>(POLLIN | (pendingOutput_.empty() ? 0 : POLLOUT)), 0};
    fds[2] = {other_.isOpen() ? other_.master() : -1, POLLIN, 0};
    const int ready = ::poll(fds, 3, pollTimeout());
    const bool pollFailed = ready < 0 && errno != EINTR;
    if (!pollFailed && (fds[0].revents & POLLIN)) wakeSignal_->drain();
    if (stopRequested_) break;
    // Read before the timers look at the clock: a move after it makes another turn.
    const std::uint64_t moves = ledger_ ? ledger_->timeMoves() : 0;

    std::string output;
    std::size_t taken = 0;
    // A poll that fails leaves nothing to wait on: the card is as good as unplugged.
    bool lineGone = pollFailed;
    if (!pollFailed && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
      lineGone = !readAtPort(output, taken);
    }
    if (!pollFailed && (fds[2].revents & (POLLIN | POLLHUP | POLLERR))) drainOther();
    output += client_.timersDue();
    const std::size_t room = kMaxPendingOutput - std::min(pendingOutput_.size(), kMaxPendingOutput);
    const std::size_t queued = std::min(output.size(), room);
    pendingOutput_.append(output, 0, queued);
    // The answer is counted before it goes, and before what it answers
    // counts as taken (at the turn's end): the link never looks empty between.
    if (ledger_) ledger_->cardSends(queued);
    flush();

    if (lineGone || client_.unplugWanted()) {
      atPort_.close();
      other_.close();
      client_.portsClosed();
      break;
    }
    turnEnded(taken, moves);
  }
}

bool PtyService::readAtPort(std::string& output, std::size_t& taken) {
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(atPort_.master(), buffer, sizeof buffer);
    if (count > 0) {
      taken += static_cast<std::size_t>(count);
      output += client_.received(std::string_view(buffer, static_cast<std::size_t>(count)));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) return true;
    return false;  // end of file or an error such as EIO: the line is gone
  }
}

void PtyService::drainOther() {
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(other_.master(), buffer, sizeof buffer);
    if (count > 0) continue;
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) return;
    other_.close();  // the second port failed; the AT port goes on
    return;
  }
}

void PtyService::flush() {
  while (!pendingOutput_.empty()) {
    const ssize_t count = ::write(atPort_.master(), pendingOutput_.data(), pendingOutput_.size());
    if (count > 0) {
      pendingOutput_.erase(0, static_cast<std::size_t>(count));
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno == EAGAIN) return;  // the host is not reading; POLLOUT tells when it does
    if (ledger_) ledger_->cardDropped(pendingOutput_.size());
    pendingOutput_.clear();  // the line cannot take data at all
    return;
  }
}

}  // namespace p42r::card
