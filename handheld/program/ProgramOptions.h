// The command line of p42r: the emulation's own options, an optional command
// (`p42r info`, `p42r update`, ...) and the handheld's command line
// (everything that is not an option of ours, such as "/LOG"). It is checked
// whole before anything starts: a wrong word ends the run with kExitUsage.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "frontends/commands/CommandRequest.h"
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
  // --entry=consumer|general|admin-connection|admin-id
  std::string entry = "consumer";
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

// Exit codes of p42r.
inline constexpr int kExitOk = 0;
inline constexpr int kExitStartFailed = 1;     // the application could not start
inline constexpr int kExitUsage = 2;           // bad command line
inline constexpr int kExitAlreadyRunning = 3;  // another copy runs on this device root
inline constexpr int kExitDeviceRoot = 4;      // the device root is missing or unusable
inline constexpr int kExitPortMissing = 5;     // the --port device is not there or no serial device
inline constexpr int kExitPortBusy = 6;        // the --port device is in use by another program
inline constexpr int kExitPortDenied = 7;      // no permission to open the --port device
inline constexpr int kExitNoCard = 8;          // no card found, or it did not identify itself
inline constexpr int kExitRefused = 9;         // the card refused the request or reported a failure
inline constexpr int kExitCardRemoved = 10;    // the card went away while a command ran
inline constexpr int kExitTimedOut = 11;       // the card did not answer in time
inline constexpr int kExitAccessDenied = 12;   // the administrator password was refused, or locked
inline constexpr int kExitOutputClosed = 13;   // standard output was closed or could not be written
inline constexpr int kExitInterrupted = 130;   // a command was interrupted (Ctrl+C) or declined

}  // namespace p42r::program
