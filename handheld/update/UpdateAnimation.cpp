#include "update/UpdateAnimation.h"

namespace p42r::update {

UpdateAnimation::UpdateAnimation(platform::Clock& clock, platform::Display& display)
    : clock_(clock), display_(display) {}

UpdateAnimation::~UpdateAnimation() { Stop(); }

platform::Picture UpdateAnimation::PictureOf(int resource) const {
  // Unscaled frames go to the window's top-left corner, not the area's.
  return platform::Picture{resource, mode_, 0, 0};
}

void UpdateAnimation::Start(platform::WindowHandle window, std::uint16_t area) {
  Stop();
  mode_ = display_.canStretch() ? platform::PictureMode::Stretch : platform::PictureMode::Unscaled;
  lastFrame_ = 0;
  running_ = 1;
  // The frames keep to a schedule that starts now, on the program's clock,
  // not to whenever the thread gets to run.
  thread_ = std::jthread([this, window, area, mode = mode_, start = clock_.now()](std::stop_token stop) {
    Run(stop, window, area, mode, start);
  });
}

void UpdateAnimation::Stop() {
  running_ = 0;
  // The thread is woken from its wait, so joining costs no frame period.
  if (thread_.joinable()) {
    thread_.request_stop();
    thread_.join();
  }
}

void UpdateAnimation::Run(std::stop_token stop, platform::WindowHandle window, std::uint16_t area,
                          platform::PictureMode mode, platform::TimePoint firstFrame) {
  platform::TimePoint due = firstFrame;
  while (running_.load() != 0) {
    int index = index_.load();
    if (index > 7) index = 0;
    const int resource = kFrames[static_cast<std::size_t>(index)];
    // Recorded before the draw is asked for, so whoever sees the frame also
    // sees it recorded; the step to the next frame is taken here too, so a
    // run stopped during the pause goes on from the frame after this one.
    lastFrame_ = resource;
    index_ = index + 1;
    display_.postDraw(window, area, platform::Picture{resource, mode, 0, 0});
    due += kFramePeriod;
    // After a long stall (a suspended system, a big step of virtual time) the
    // animation picks up from now instead of racing through the frames it missed.
    const platform::TimePoint now = clock_.now();
    if (due + kFramePeriod <= now) due = now + kFramePeriod;
    if (!clock_.waitUntil(due, stop)) return;
  }
}

}  // namespace p42r::update
