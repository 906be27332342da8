#include "testing/ScreenStage.h"

#include <gtest/gtest.h>

namespace p42r::testing {

ScreenStage::ScreenStage() {
  display.setApplicationTitle(u"P42RApplication");
  display.addObserver(*this);
  channel.Open(u"COM4:");
}

ScreenStage::~ScreenStage() {
  display.removeObserver(*this);
  display.setActiveForm(nullptr);
  channel.JoinReaders();
}

void ScreenStage::Add(int number, app::ScreenView& screen) {
  screen.setNumber(number);
  screen.InitialUpdate();
  screens_[number] = &screen;
}

platform::Form* ScreenStage::Current() const {
  const auto found = screens_.find(current);
  return found == screens_.end() ? nullptr : found->second;
}

platform::Form* ScreenStage::SwitchScreen(int number) {
  platform::Form* old = Current();
  switches.push_back(number);
  if (number == current) return old;
  current = number;
  if (old != nullptr) old->show(false);
  // Screens that are not on this stage (the menus) only leave a record.
  platform::Form* next = Current();
  display.setActiveForm(next);
  if (next != nullptr) {
    next->show(true);
    windows.post(next->handle(), app::WM_SCREEN_ACTIVATED);
  }
  return old;
}

void ScreenStage::Click(std::uint16_t id) {
  platform::Form* screen = Current();
  ASSERT_NE(screen, nullptr) << "no screen of the stage is shown";
  const platform::InputError refused = input.click(id);
  ASSERT_FALSE(refused) << *refused;
  RunUntilIdle();
}

void ScreenStage::Send(platform::WindowHandle window, std::initializer_list<const char*> lines) {
  const std::size_t before = CountDelivered(window, app::WM_DEVICE_LINE);
  std::string bytes;
  for (const char* line : lines) bytes += std::string("\r\n") + line + "\r\n";
  card.send(bytes);
  EXPECT_TRUE(WaitFor([&] { return CountDelivered(window, app::WM_DEVICE_LINE) == before + lines.size(); }))
      << "the lines did not all arrive";
  RunUntilIdle();
}

std::vector<std::string> ScreenStage::TakeWrites() {
  std::vector<std::string> shown;
  for (const std::string& write : serial.writes()) {
    std::string text;
    for (char c : write) text += c == '\0' ? std::string("\\0") : std::string(1, c);
    shown.push_back(text);
  }
  serial.clearWrites();
  return shown;
}

void ScreenStage::messageBoxOpened(const platform::MessageBoxState& box) {
  EXPECT_EQ(box.caption, u"P42RApplication");
  Box seen{box.text, box.buttons, box.icon};
  boxes.push_back(seen);
  portOpenAtBox.push_back(channel.isOpen());
  // The response runs in the box's own loop, as the user's answer would.
  loop.postTask([this, seen] { display.answerMessageBox(respond(seen)); });
}

void ScreenStage::controlChanged(const platform::Form& form, const platform::Control& control,
                                 platform::ControlProperty property) {
  for (const auto& [number, screen] : screens_) {
    if (screen == &form) ControlChanged(form, control, property);
  }
}

}  // namespace p42r::testing
