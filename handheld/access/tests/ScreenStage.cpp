#include "access/tests/ScreenStage.h"

#include <gtest/gtest.h>

namespace p42r::access {

ScreenStage::ScreenStage(testing::HandheldHarness& harness)
    : check(harness.services, *this),
      unlock(harness.services, *this),
      change(harness.services, *this),
      harness_(harness) {
  check.setNumber(2);
  unlock.setNumber(3);
  change.setNumber(4);
  for (app::ScreenView* screen : {static_cast<app::ScreenView*>(&check), static_cast<app::ScreenView*>(&unlock),
                                  static_cast<app::ScreenView*>(&change)}) {
    screen->InitialUpdate();
  }
  harness_.display.setApplicationTitle(u"P42RApplication");
  harness_.display.addObserver(*this);
}

ScreenStage::~ScreenStage() {
  harness_.display.removeObserver(*this);
  harness_.display.setActiveForm(nullptr);
}

platform::Form* ScreenStage::Screen(int number) {
  switch (number) {
    case 2: return &check;
    case 3: return &unlock;
    case 4: return &change;
    default: return nullptr;
  }
}

platform::Form* ScreenStage::SwitchScreen(int number) {
  platform::Form* old = Screen(current);
  switches.push_back(number);
  if (number == current) return old;
  current = number;
  if (old != nullptr) old->show(false);
  // Screens that are not on this stage (the menus) only leave a record.
  platform::Form* next = Screen(number);
  harness_.display.setActiveForm(next);
  if (next != nullptr) {
    next->show(true);
    harness_.windows.post(next->handle(), app::WM_SCREEN_ACTIVATED);
  }
  return old;
}

void ScreenStage::messageBoxOpened(const platform::MessageBoxState& box) {
  EXPECT_EQ(box.caption, u"P42RApplication");
  EXPECT_EQ(box.buttons, platform::MessageBoxButtons::Ok);
  boxes.push_back(Box{box.text, box.icon});
  harness_.loop.postTask([this] { harness_.display.answerMessageBox(platform::IDOK); });
}

}  // namespace p42r::access
