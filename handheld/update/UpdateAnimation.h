// The progress screen's running animation: a worker thread that draws the
// eight frames of the update picture one after the other, every 500 ms, into
// the screen's animation area. It draws only through Display::postDraw, so
// the user-interface thread makes every change to the control, and the
// frontends show it like any other picture.
//
// The index of the next frame belongs to this object, which lives as long as
// the screen and so as long as the process: a new run goes on from the frame
// after the one shown last.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/Clock.h"
#include "platform/Display.h"

namespace p42r::update {

class UpdateAnimation {
 public:
  static constexpr std::array<int, 8> kFrames = {130, 131, 132, 133, 134, 135, 136, 137};
  static constexpr platform::Duration kFramePeriod{500};

  UpdateAnimation(platform::Clock& clock, platform::Display& display);
  ~UpdateAnimation();
  UpdateAnimation(const UpdateAnimation&) = delete;
  UpdateAnimation& operator=(const UpdateAnimation&) = delete;

  // User-interface thread. Start: flag on, last frame forgotten, a new
  // thread drawing into control `area` of `window` (stretched when the
  // display can stretch, else unscaled at the window's corner).
  void Start(platform::WindowHandle window, std::uint16_t area);
  // Flag off; the thread ends at once, without drawing again.
  void Stop();

  bool running() const { return running_.load() != 0; }
  // The resource of the frame drawn last in this run (0: none yet).
  int lastFrame() const { return lastFrame_.load(); }
  // The picture to draw for `resource`, as the thread draws it.
  platform::Picture PictureOf(int resource) const;
  // Where the next frame comes from in the table (0 to 8; 8 wraps to 0).
  int nextIndex() const { return index_.load(); }

 private:
  void Run(std::stop_token stop, platform::WindowHandle window, std::uint16_t area, platform::PictureMode mode,
           platform::TimePoint firstFrame);

  platform::Clock& clock_;
  platform::Display& display_;
  std::atomic<int> running_{0};
  std::atomic<int> index_{0};
  std::atomic<int> lastFrame_{0};
  platform::PictureMode mode_ = platform::PictureMode::Stretch;
  std::jthread thread_;
};

}  // namespace p42r::update
