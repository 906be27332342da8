#include "apps/tests/AppsStage.h"

#include <gtest/gtest.h>

namespace p42r::apps {

AppsStage::AppsStage() {
  state.portName = u"COM4";
  Add(13, screen);
}

std::string AppsStage::Framed(std::initializer_list<std::string> lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += "\r\n" + line + "\r\n";
  return bytes;
}

std::string AppsStage::Wire(const std::string& utf8) const { return codePage.toAnsi(platform::FromUtf8(utf8)); }

void AppsStage::StatusReports(const std::vector<CardApplication>& applications) {
  std::string entries;
  for (const CardApplication& application : applications) {
    entries += application.code + "+" + std::to_string(application.state) + "/";
  }
  card.answer("AT&OP=APP?", Framed({"APP=" + entries, "OK"}));
}

void AppsStage::Applications(const std::vector<CardApplication>& applications) {
  StatusReports(applications);
  for (const CardApplication& application : applications) {
    card.answer("AT&OP=" + application.code + ",6", Framed({"APP=" + Wire(application.name), "OK"}));
  }
}

void AppsStage::Open() {
  SwitchScreen(5);
  SwitchScreen(13);
  RunUntilIdle();
  EXPECT_TRUE(Settled()) << "the screen stayed busy";
}

bool AppsStage::Settled() {
  return WaitFor([&] { return !screen.busy() || current != 13 || closeRequests > 0; }) && (RunUntilIdle(), true);
}

std::vector<std::pair<std::u16string, std::u16string>> AppsStage::Rows() const {
  std::vector<std::pair<std::u16string, std::u16string>> shown;
  for (const auto& row : Control(1052).rows()) {
    shown.emplace_back(row.empty() ? u"" : row[0], row.size() < 2 ? u"" : row[1]);
  }
  return shown;
}

bool AppsStage::ButtonsEnabled() const {
  return Control(1053).isEnabled() && Control(1054).isEnabled() && Control(1057).isEnabled();
}

bool AppsStage::ButtonsDisabled() const {
  return !Control(1053).isEnabled() && !Control(1054).isEnabled() && !Control(1057).isEnabled();
}

void AppsStage::Select(int row) {
  const platform::InputError refused = input.select(1052, row);
  ASSERT_FALSE(refused) << *refused;
  RunUntilIdle();
}

std::vector<std::string> AppsStage::TakeCommands() {
  const std::vector<std::string> all = card.commands();
  std::vector<std::string> fresh(all.begin() + static_cast<std::ptrdiff_t>(commandsSeen_), all.end());
  commandsSeen_ = all.size();
  return fresh;
}

}  // namespace p42r::apps
