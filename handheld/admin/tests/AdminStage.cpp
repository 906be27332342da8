#include "admin/tests/AdminStage.h"

#include <gtest/gtest.h>

namespace p42r::admin {

std::string Reply(std::initializer_list<const char*> lines) {
  std::string bytes;
  for (const char* line : lines) bytes += std::string("\r\n") + line + "\r\n";
  return bytes;
}

std::string Wire(const std::string& command) { return command + "\r\n\\0"; }

AdminStage::AdminStage() {
  Add(12, limit);
  Add(14, security);
}

void AdminStage::Slots(const std::vector<std::string>& domains) {
  for (std::size_t i = 0; i < domains.size(); ++i) {
    const std::string command = "AT@ALDR=" + std::to_string(i + 1);
    card.answer(command, domains[i].empty() ? Reply({"OK"}) : Reply({domains[i].c_str(), "OK"}));
  }
}

void AdminStage::EnterLimit() {
  const std::size_t before = CountDelivered(limit.handle(), app::WM_SCREEN_ACTIVATED);
  SwitchScreen(12);
  RunUntilIdle();
  ASSERT_EQ(CountDelivered(limit.handle(), app::WM_SCREEN_ACTIVATED), before + 1) << "the screen was not entered";
  AwaitIdle(limit);
}

void AdminStage::EnterSecurity() {
  SwitchScreen(14);
  RunUntilIdle();
}

void AdminStage::AwaitIdle(const app::ScreenView& screen) {
  const auto* limitScreen = dynamic_cast<const ClsLimitConnect*>(&screen);
  const auto* securityScreen = dynamic_cast<const ClsSecurity*>(&screen);
  ASSERT_TRUE(WaitFor([&] {
    if (limitScreen) return !limitScreen->busy();
    return securityScreen && !securityScreen->busy();
  })) << "the exchange did not end";
  RunUntilIdle();
}

std::vector<std::u16string> AdminStage::Rows() const {
  std::vector<std::u16string> texts;
  for (const auto& row : LimitControl(1045).rows()) texts.push_back(row.empty() ? std::u16string() : row[0]);
  return texts;
}

void AdminStage::Type(std::uint16_t id, const std::u16string& text) {
  const platform::InputError refused = input.type(id, text);
  ASSERT_FALSE(refused) << *refused;
  RunUntilIdle();
}

void AdminStage::SelectRow(int row) {
  const platform::InputError refused = input.select(1045, row);
  ASSERT_FALSE(refused) << *refused;
  RunUntilIdle();
}

void AdminStage::Key(std::uint32_t virtualKey) {
  const platform::InputError refused = input.key(1045, virtualKey);
  ASSERT_FALSE(refused) << *refused;
  RunUntilIdle();
}

bool AdminStage::LimitControlsEnabled(bool enabled) const {
  for (const std::uint16_t id : std::initializer_list<std::uint16_t>{1041, 1042, 1043, 1044, 1045, 1046, 1047}) {
    if (LimitControl(id).isEnabled() != enabled) return false;
  }
  return true;
}

bool AdminStage::SecurityControlsEnabled(bool enabled) const {
  for (const std::uint16_t id : std::initializer_list<std::uint16_t>{1061, 1069, 1070}) {
    if (SecurityControl(id).isEnabled() != enabled) return false;
  }
  return true;
}

}  // namespace p42r::admin
