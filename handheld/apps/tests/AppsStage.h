// The application list on the screen stage, behind the fake serial port
// with a scripted card that knows the card's applications: their codes,
// names and states, and how each answers a start or a stop.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "apps/ClsRunAppli.h"
#include "testing/ScreenStage.h"

namespace p42r::apps {

using testing::Box;

// One application as the scripted card holds it. Texts are UTF-8 and go
// out in the handheld's code page.
struct CardApplication {
  std::string code;
  std::string name;
  int state = 0;
};

class AppsStage : public testing::ScreenStage {
 public:
  AppsStage();

  // The card's status answer lists `applications`, and each one's name
  // query answers its name.
  void Applications(const std::vector<CardApplication>& applications);
  // Only the status answer changes (what a fresh status query will report).
  void StatusReports(const std::vector<CardApplication>& applications);
  // The bytes of lines as the card frames them.
  static std::string Framed(std::initializer_list<std::string> lines);
  std::string Wire(const std::string& utf8) const;

  // The general menu's hidden button: screen 13 is switched to and the
  // first build is waited for (or whatever ends the screen's busy time).
  void Open();
  // Waits until the screen is idle, whatever answered it.
  bool Settled();

  // The rows as (state cell, name cell).
  std::vector<std::pair<std::u16string, std::u16string>> Rows() const;
  const platform::Control& Control(std::uint16_t id) const { return *screen.control(id); }
  bool ButtonsEnabled() const;
  bool ButtonsDisabled() const;
  bool Watched() { return loop.hasTimer(screen.handle(), app::kWatchdogTimer); }
  // A tap on row `row` of the list.
  void Select(int row);
  // The commands the card got since the last call, without their line ends.
  std::vector<std::string> TakeCommands();

  ClsRunAppli screen{services, *this};

 private:
  std::size_t commandsSeen_ = 0;
};

}  // namespace p42r::apps
