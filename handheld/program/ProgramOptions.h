// The command line of p42r: the emulation's own options, an optional command
// (`p42r info`, `p42r update`, ...) and the handheld's command line
// (everything that is not an option of ours, such as "/LOG"). It is checked
// whole before anything starts: a wrong word ends the run with kExitUsage.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/CPocketPCApp.h"
#include "frontends/commands/CommandRequest.h"
#include "program/ExitCodes.h"
#include "platform/DeviceRoot.h"

namespace p42r::program {

enum class UiKind { Terminal, Script, Command, Window };

struct ProgramOptions {
  std::optional<std::string> deviceRoot;  // none: the user's default device root
  UiKind ui = UiKind::Terminal;
  bool uiChosen = false;  // --ui was given; otherwise the program picks by where it runs (DefaultUi)
  bool virtualClock = false;
  platform::OsVersion osVersion;
  bool osVersionQueryFails = false;
  std::string codePage = "CP932";
  bool landscape = false;
  // --entry=consumer|general|admin-connection|admin-id|applications, or the command's own
  using Entry = app::CPocketPCApp::Options::Entry;
  Entry entry = Entry::Consumer;
  // --sim[=SCENARIO]: the embedded simulated card; an empty name is the normal card.
  std::optional<std::string> simulatedCard;
  bool traceCard = false;
  // --port PATH: a host serial device registered as the card's AT port.
  std::optional<std::string> hostPort;
  std::u16string handheldCommandLine;  // blank-separated, as the handheld sees it
  // A command instead of the handheld's screens (ui is then UiKind::Command).
  std::optional<frontends::CommandRequest> command;
  // --help: the text to show (the program's or the command's).
  std::optional<std::string> help;
  bool version = false;
  bool listScenarios = false;
  // --reset-management-file: give the device root a new handheld's management file and end.
  bool resetManagementFile = false;
};

// Parses argv; on a usage error returns nothing and sets `error`.
// The frontend when --ui is not given: the window when there is a display and
// nobody types on a terminal (started from a desktop menu), else the terminal.
UiKind DefaultUi(bool displayThere, bool inputIsTerminal);

std::optional<ProgramOptions> ParseProgramOptions(const std::vector<std::string>& arguments, std::string& error);

std::string HelpText();
// The simulated card's built-in scenarios, one per line with what each does.
std::string ScenarioList();

}  // namespace p42r::program
