#include "frontends/commands/VirtualTimePacer.h"

#include <algorithm>

namespace p42r::frontends {

namespace {

// Virtual time moves once the program has been quiet this long in real time:
// long enough for the card's answer to cross its pseudo-terminal.
constexpr std::chrono::milliseconds kQuietPeriod{100};
constexpr std::chrono::milliseconds kFirstStep{1000};
constexpr std::chrono::milliseconds kLongestStep{600000};

}  // namespace

void VirtualTimePacer::start() { schedule(); }

void VirtualTimePacer::schedule() {
  loop_.addRealTimeAlarm(std::chrono::steady_clock::now() + kQuietPeriod, [this] { step(); });
}

void VirtualTimePacer::step() {
  if (stopped_ || advancing_) return;
  if (activity_ != activitySeen_ || loop_.hasPosted()) {
    // Something happened: look again once it has settled, from a small step.
    activitySeen_ = activity_;
    nextStep_ = kFirstStep;
    schedule();
    return;
  }
  // The step never jumps onto the program's next timer in one go: the card's
  // own delays that fall before it get their quiet period to be heard first.
  std::chrono::milliseconds step = nextStep_;
  if (const auto due = loop_.nextTimerDue()) {
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(*due - loop_.clock().now());
    const auto one = std::chrono::milliseconds(1);
    step = gap > one ? std::min(step, gap - one) : std::max(gap, one);
  }
  nextStep_ = std::min(nextStep_ * 2, kLongestStep);
  advancing_ = true;
  loop_.advance(step, [this] {
    advancing_ = false;
    schedule();
  });
}

}  // namespace p42r::frontends
