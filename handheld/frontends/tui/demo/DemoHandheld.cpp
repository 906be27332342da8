#include "frontends/tui/demo/DemoHandheld.h"

#include <stdexcept>

#include "resources/Bitmaps.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace p42r::frontends::demo {

namespace {

using platform::Picture;
using platform::PictureMode;

constexpr platform::TimerId kStartupTimer = 1;
constexpr platform::TimerId kProgressTimer = 2;
constexpr platform::TimerId kCrashTimer = 3;
constexpr int kNotices = 16;
constexpr std::chrono::milliseconds kFramePeriod{500};

// The frame window: closing it ends the loop; its crash timer throws, to
// show that the terminal survives a fatal error.
class DemoFrame final : public platform::Window {
 public:
  explicit DemoFrame(platform::WindowSystem& windows) : Window(windows) {}
  void handleMessage(platform::Message& message) override {
    if (message.id == platform::WM_CLOSE) system().loop().quit(0);
    if (message.id == platform::WM_TIMER && message.wParam == kCrashTimer) {
      throw std::runtime_error("the demo's planned crash");
    }
  }
};

}  // namespace

DemoScreen::DemoScreen(DemoHandheld& handheld, std::uint16_t templateId)
    : Form(handheld.windows(), handheld.display(), templateId, "DemoScreen"), handheld_(handheld) {
  setNumber(templateId);
}

bool DemoScreen::preTranslateMessage(const platform::Message& message) {
  return message.id == platform::WM_KEYDOWN && message.wParam == platform::VK_RETURN;
}

void DemoScreen::onCommand(std::uint16_t controlId, std::uint16_t) { handheld_.command(*this, controlId); }

void DemoScreen::onTimer(platform::TimerId id) { handheld_.timer(*this, id); }

DemoHandheld::DemoHandheld(platform::Clock& clock, Options options)
    : options_(options), loop_(clock), windows_(loop_), display_(loop_) {
  frame_ = std::make_unique<DemoFrame>(windows_);
  display_.setFrameWindow(frame_->handle());
  display_.setApplicationTitle(resources::LoadString(resources::strings::kAppTitle));
  display_.setCanStretch(options.canStretch);
  display_.setTitle(u"ケータイアップデート");
  switchTo(options.firstTemplate);
  if (options.crashAfterMs > 0) {
    loop_.setTimer(frame_->handle(), kCrashTimer, platform::Duration(options.crashAfterMs));
  }
}

DemoHandheld::~DemoHandheld() {
  stopAnimation();
  display_.setActiveForm(nullptr);
}

DemoScreen& DemoHandheld::screen(int templateId) {
  auto& slot = screens_[templateId];
  if (!slot) slot = std::make_unique<DemoScreen>(*this, static_cast<std::uint16_t>(templateId));
  return *slot;
}

void DemoHandheld::switchTo(int templateId) {
  DemoScreen& next = screen(templateId);
  if (platform::Form* previous = display_.activeForm()) previous->show(false);
  next.show(true);
  display_.setActiveForm(&next);
  switch (templateId) {
    case 201: {
      platform::Control* placeholder = next.control(1077);
      placeholder->show(false);
      placeholder->setPicture(Picture{resources::kBitmapStartup,
                                      options_.canStretch ? PictureMode::Stretch : PictureMode::Unscaled, 13, 13});
      loop_.setTimer(next.handle(), kStartupTimer, platform::Duration(1500));
      break;
    }
    case 216: next.setFocus(1073); break;
    case 208: next.setFocus(1027); break;
    case 209: beginUpdate(next); break;
    case 210:
      next.control(1078)->show(false);
      next.control(1088)->setText(u"CDMA 1X WIN");
      next.control(1078)->setPicture(Picture{resources::kBitmapTwoBars,
                                             options_.canStretch ? PictureMode::Stretch : PictureMode::Unscaled, 0, 0});
      next.setFocus(1033);
      break;
    default: {
      for (const auto& control : next.controls()) {
        if (next.setFocus(control->id())) break;
      }
      break;
    }
  }
}

void DemoHandheld::command(DemoScreen& screen, std::uint16_t controlId) {
  const int shown = screen.templateId();
  if ((shown == 216 && controlId == 1074) || controlId == 1019 || controlId == 1002 || controlId == 1007) {
    loop_.quit(0);
  } else if (shown == 216 && controlId == 1073) {
    switchTo(208);
  } else if (shown == 208 && controlId == 1028) {
    switchTo(216);
  } else if (shown == 208 && controlId == 1027) {
    const int answer = display_.messageBox(resources::LoadString(30205), platform::MB_OKCANCEL | platform::MB_ICONEXCLAMATION);
    if (answer == platform::IDOK) switchTo(209);
  } else if (shown == 209 && controlId == 1061) {
    switchTo(208);
  } else if (shown == 210 && controlId == 1033) {
    display_.messageBox(u"通信状態を取得できませんでした。", platform::MB_OK);
  }
}

void DemoHandheld::timer(DemoScreen& screen, platform::TimerId id) {
  if (id == kStartupTimer) {
    loop_.killTimer(screen.handle(), id);
    if (display_.activeForm() == &screen) switchTo(216);
  } else if (id == kProgressTimer) {
    stepUpdate(screen);
  }
}

void DemoHandheld::beginUpdate(DemoScreen& screen) {
  for (std::uint16_t hidden : {std::uint16_t{1030}, std::uint16_t{1062}, std::uint16_t{1079}}) {
    screen.control(hidden)->show(false);
  }
  screen.control(1061)->enable(false);
  screen.control(1090)->show(true);
  screen.control(1031)->setRange(0, 100);
  screen.control(1031)->setPosition(0);
  screen.control(1072)->setText(u"");
  notice_ = 0;
  loop_.setTimer(screen.handle(), kProgressTimer, platform::Duration(options_.progressStepMs));
  startAnimation(screen.handle());
}

void DemoHandheld::stepUpdate(DemoScreen& screen) {
  if (notice_ < kNotices) {
    screen.control(1072)->setText(resources::LoadString(static_cast<std::uint32_t>(32000 + notice_)));
    screen.control(1031)->setPosition((notice_ + 1) * 100 / kNotices);
    ++notice_;
    return;
  }
  loop_.killTimer(screen.handle(), kProgressTimer);
  stopAnimation();
  screen.control(1072)->setText(resources::LoadString(resources::strings::updating::kCompleted));
  screen.control(1031)->setPosition(100);
  screen.control(1090)->show(false);
  screen.control(1061)->enable(true);
  screen.setFocus(1061);
}

void DemoHandheld::startAnimation(platform::WindowHandle screen) {
  stopAnimation();
  {
    const std::lock_guard lock(animationMutex_);
    animating_ = true;
  }
  const PictureMode mode = options_.canStretch ? PictureMode::Stretch : PictureMode::Unscaled;
  animation_ = std::thread([this, screen, mode] {
    // The animation thread's own pace: a frame, then half a second.
    std::unique_lock lock(animationMutex_);
    while (animating_) {
      int index = frameIndex_.load();
      if (index > 7) index = 0;
      display_.postDraw(screen, 1079, Picture{resources::kBitmapAnimationFirst + index, mode, 0, 0});
      if (animationStopped_.wait_for(lock, kFramePeriod, [this] { return !animating_; })) return;
      frameIndex_.store(index + 1);
    }
  });
}

void DemoHandheld::stopAnimation() {
  {
    const std::lock_guard lock(animationMutex_);
    animating_ = false;
  }
  animationStopped_.notify_all();
  if (animation_.joinable()) animation_.join();
}

}  // namespace p42r::frontends::demo
