// The exit codes of p42r, each once: its value, a short name and the text
// --help gives for it. The README's table and the manual page are checked
// against this table, so a code is added or reworded here only.
#pragma once

#include <string>
#include <string_view>

namespace p42r::program {

struct ExitCode {
  int value;
  std::string_view name;
  std::string_view meaning;  // as --help lists it
};

inline constexpr ExitCode kExitCodeTable[] = {
    {0, "ok", "success"},
    {1, "start-failed", "the program could not start, or failed unexpectedly (told on stderr)"},
    {2, "usage", "the command line is wrong"},
    {3, "already-running",
     "another copy is running on the same device root (the handheld program ends silently, a command says so)"},
    {4, "device-root", "the device root is missing, cannot be written, or is not yours alone"},
    {5, "port-missing", "the --port device is not there, leads nowhere or is no serial device"},
    {6, "port-busy", "the card's port is in use by another program (each holder named)"},
    {7, "port-denied", "no permission to open the --port device"},
    {8, "no-card", "no card found, or it did not identify itself as the card"},
    {9, "refused", "the card refused the request or reported a failure"},
    {10, "card-removed", "the card was removed while the command ran"},
    {11, "timed-out", "the card did not answer in time"},
    {12, "access-denied", "the administrator password was refused, or it is locked (from any run)"},
    {13, "output-closed", "standard output was closed or could not be written (the run ended early)"},
    {130, "interrupted", "the command was interrupted (Ctrl+C) or its question answered no"},
};

// The value of the code named `name`; a name not in the table does not compile.
consteval int ExitCodeNamed(std::string_view name) {
  for (const ExitCode& code : kExitCodeTable) {
    if (code.name == name) return code.value;
  }
  throw "no exit code of that name";
}

inline constexpr int kExitOk = ExitCodeNamed("ok");
inline constexpr int kExitStartFailed = ExitCodeNamed("start-failed");
inline constexpr int kExitUsage = ExitCodeNamed("usage");
inline constexpr int kExitAlreadyRunning = ExitCodeNamed("already-running");
inline constexpr int kExitDeviceRoot = ExitCodeNamed("device-root");
inline constexpr int kExitPortMissing = ExitCodeNamed("port-missing");
inline constexpr int kExitPortBusy = ExitCodeNamed("port-busy");
inline constexpr int kExitPortDenied = ExitCodeNamed("port-denied");
inline constexpr int kExitNoCard = ExitCodeNamed("no-card");
inline constexpr int kExitRefused = ExitCodeNamed("refused");
inline constexpr int kExitCardRemoved = ExitCodeNamed("card-removed");
inline constexpr int kExitTimedOut = ExitCodeNamed("timed-out");
inline constexpr int kExitAccessDenied = ExitCodeNamed("access-denied");
inline constexpr int kExitOutputClosed = ExitCodeNamed("output-closed");
inline constexpr int kExitInterrupted = ExitCodeNamed("interrupted");

// The "Exit codes:" section of --help, made from the table.
std::string ExitCodesHelp();

}  // namespace p42r::program
