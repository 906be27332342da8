// What the card remembers, in plain members: echo, LED, the three permitted
// domain slots, the last connection result, the dedicated-memory writes it
// received, its resident applications, and where its phone update stands.
// The command handlers read and change it; tests and tools inspect it.
#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <string>
#include <vector>

namespace p42r::card {

struct MemoryWrite {
  std::string hex;   // the encrypted form, as sent
  std::string text;  // the clear text, as sent
};

struct ApplicationState {
  std::string code;
  std::string name;
  int state = 0;  // 1 = running
};

struct CardState {
  static constexpr std::size_t kDomainSlots = 3;
  static constexpr std::size_t kCommandHistory = 256;

  bool echo = true;
  bool silent = false;  // answers nothing any more
  bool ledOn = true;
  std::array<std::string, kDomainSlots> domainSlots;
  std::string connectionResult;
  std::vector<MemoryWrite> memoryWrites;
  std::vector<ApplicationState> applications;

  bool updateRunning = false;
  int lastNotice = -1;  // index of the last progress notice sent by the current or last run
  bool writing = false;  // still writing new software: commands get the writing notice
  bool writingFinishScheduled = false;

  bool unplugRequested = false;

  // The last commands received, oldest first (at most kCommandHistory).
  std::deque<std::string> commands;
};

}  // namespace p42r::card
