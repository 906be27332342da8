// Drives the real program's window through a whole phone update the way a
// person would: a click at the consumer menu's update button, a click at
// Start, Return on the power warning, and, halfway, the window's close
// button, whose question is answered with Escape (the update goes on).
// It runs on Qt timers inside the program's own loop and sees only what the
// window shows. Shared by the end-to-end test and the footprint measurement.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include <QTimer>

namespace p42r::frontends::gui {

class ScreenWidget;

class UpdateDriver {
 public:
  struct Seen {
    bool startPage = false;         // the update button's click led to the start page
    bool closeAsked = false;        // closing mid-update asked first
    bool updatedAfterAsking = false;  // and the update went on
    bool succeeded = false;         // the success text was shown
    std::vector<std::string> boxes;  // every message box's text, UTF-8
    std::string failure;            // why the drive stopped early
  };

  // `onConsumerMenu` runs once the consumer menu is first shown, with a
  // function that resumes the drive (for measuring the idle window).
  explicit UpdateDriver(std::chrono::seconds deadline,
                        std::function<void(std::function<void()> resume)> onConsumerMenu = {});

  const Seen& seen() const { return seen_; }

 private:
  void tick();
  bool clickControl(ScreenWidget& window, std::uint16_t controlId);

  QTimer ticker_;
  std::chrono::steady_clock::time_point deadline_;
  std::function<void(std::function<void()>)> onConsumerMenu_;
  bool consumerMenuSeen_ = false;
  bool closeTried_ = false;
  bool closing_ = false;
  Seen seen_;
};

// The program's window, once it is there.
ScreenWidget* FindProgramWindow();

}  // namespace p42r::frontends::gui
