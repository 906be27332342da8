#include "update/tests/UpdateStage.h"

#include <gtest/gtest.h>

namespace p42r::update {

UpdateStage::UpdateStage() {
  display.setApplicationTitle(u"P42RApplication");
  display.addObserver(*this);
  startPage.setNumber(8);
  updating.setNumber(9);
  startPage.InitialUpdate();
  updating.InitialUpdate();
  channel.Open(u"COM4:");
}

UpdateStage::~UpdateStage() {
  display.removeObserver(*this);
  display.setActiveForm(nullptr);
  channel.JoinReaders();
}

platform::Form* UpdateStage::Screen(int number) {
  if (number == 8) return &startPage;
  if (number == 9) return &updating;
  return nullptr;
}

platform::Form* UpdateStage::SwitchScreen(int number) {
  platform::Form* old = Screen(current);
  switches.push_back(number);
  if (number == current) return old;
  current = number;
  if (old != nullptr) old->show(false);
  platform::Form* next = Screen(number);
  display.setActiveForm(next);
  if (next != nullptr) {
    next->show(true);
    windows.post(next->handle(), app::WM_SCREEN_ACTIVATED);
  }
  return old;
}

void UpdateStage::Send(std::initializer_list<const char*> lines) {
  const std::size_t before = CountDelivered(updating.handle(), app::WM_DEVICE_LINE);
  std::string bytes;
  for (const char* line : lines) bytes += std::string("\r\n") + line + "\r\n";
  card.send(bytes);
  EXPECT_TRUE(WaitFor([&] { return CountDelivered(updating.handle(), app::WM_DEVICE_LINE) == before + lines.size(); }))
      << "the lines did not all arrive";
  RunUntilIdle();
}

void UpdateStage::StartUpdate() {
  SwitchScreen(8);
  RunUntilIdle();
  windows.post(startPage.handle(), platform::WM_COMMAND, platform::MakeCommandParam(1027, 0));
  RunUntilIdle();
  ASSERT_EQ(current, 9);
  ASSERT_TRUE(WaitFor([&] { return !frames.empty(); })) << "the animation did not start";
}

std::vector<std::string> UpdateStage::TakeWrites() {
  std::vector<std::string> shown;
  for (std::string write : serial.writes()) {
    std::string text;
    for (char c : write) text += c == '\0' ? std::string("\\0") : std::string(1, c);
    shown.push_back(text);
  }
  serial.clearWrites();
  return shown;
}

void UpdateStage::messageBoxOpened(const platform::MessageBoxState& box) {
  EXPECT_EQ(box.caption, u"P42RApplication");
  Box seen{box.text, box.buttons, box.icon};
  boxes.push_back(seen);
  portOpenAtBox.push_back(channel.isOpen());
  // The response runs in the box's own loop, as the user's answer would.
  loop.postTask([this, seen] { display.answerMessageBox(respond(seen)); });
}

void UpdateStage::controlChanged(const platform::Form& form, const platform::Control& control,
                                 platform::ControlProperty property) {
  if (&form == &updating && control.id() == 1079 && property == platform::ControlProperty::Picture) {
    frames.push_back(control.picture().resource);
  }
}

}  // namespace p42r::update
