// The main frame: the one top-level window. It owns the command bar, shows
// the active view, and turns the close request, the About command and the
// device-change notice into the application's actions.
#pragma once

#include <memory>
#include <string>

#include "app/Services.h"
#include "platform/Form.h"
#include "platform/Window.h"

namespace p42r::app {

// What the frame asks of the application object.
class FrameOwner {
 public:
  virtual void OnFrameClose() = 0;
  virtual void OnAppAbout() = 0;

 protected:
  ~FrameOwner() = default;
};

class CMainFrame final : public platform::Window {
 public:
  CMainFrame(Services& services, FrameOwner& owner);
  ~CMainFrame() override;

  // The creation handler: the command bar and its adornments. -1 on failure.
  int OnCreate(bool commandBarFails);
  bool hasCommandBar() const { return commandBar_ != nullptr; }

  platform::Form* GetActiveView() const { return activeView_; }
  void SetActiveView(platform::Form* view);
  void SetWindowText(const std::u16string& title);

  void handleMessage(platform::Message& message) override;

  // The device-change handler.
  void OnDeviceChange(std::uint64_t event, const platform::Payload* notice);

 private:
  Services& services_;
  FrameOwner& owner_;
  std::unique_ptr<platform::Window> commandBar_;
  platform::Form* activeView_ = nullptr;
};

}  // namespace p42r::app
