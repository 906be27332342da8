#include "program/ProgramOptions.h"

#include <algorithm>
#include <charconv>

#include "card/BuiltinScenarios.h"
#include "platform/TextConversion.h"

namespace p42r::program {

namespace {

bool ParseUnsigned(std::string_view text, std::uint32_t& value) {
  const auto* end = text.data() + text.size();
  const auto [next, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && next == end && !text.empty();
}

// "4.20" or "5.0": major and minor version.
bool ParseVersion(std::string_view text, platform::OsVersion& version) {
  const auto dot = text.find('.');
  if (dot == std::string_view::npos) return ParseUnsigned(text, version.major) && ((version.minor = 0), true);
  return ParseUnsigned(text.substr(0, dot), version.major) && ParseUnsigned(text.substr(dot + 1), version.minor);
}

// Splits "--name=value" or takes the value from the next argument.
bool TakeValue(const std::vector<std::string>& arguments, std::size_t& i, std::string_view name, std::string& value) {
  const std::string& argument = arguments[i];
  if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 && argument[name.size()] == '=') {
    value = argument.substr(name.size() + 1);
    return true;
  }
  if (argument == name && i + 1 < arguments.size()) {
    value = arguments[++i];
    return true;
  }
  return false;
}

}  // namespace

std::optional<ProgramOptions> ParseProgramOptions(const std::vector<std::string>& arguments, std::string& error) {
  ProgramOptions options;
  std::string handheld;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string value;
    if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (argument == "--list-scenarios") {
      options.listScenarios = true;
    } else if (argument == "--reset-management-file") {
      options.resetManagementFile = true;
    } else if (argument == "--virtual-clock") {
      options.virtualClock = true;
    } else if (argument == "--landscape") {
      options.landscape = true;
    } else if (argument == "--sim") {
      options.simulatedCard = std::string();
    } else if (argument.rfind("--sim=", 0) == 0) {
      options.simulatedCard = argument.substr(6);
    } else if (argument == "--trace-card") {
      options.traceCard = true;
    } else if (TakeValue(arguments, i, "--port", value)) {
      if (value.empty()) {
        error = "--port needs a host serial device, such as /dev/ttyUSB0";
        return std::nullopt;
      }
      options.hostPort = value;
    } else if (TakeValue(arguments, i, "--device-root", value)) {
      if (value.empty()) {
        error = "--device-root needs a directory";
        return std::nullopt;
      }
      options.deviceRoot = value;
    } else if (TakeValue(arguments, i, "--ui", value)) {
      if (value == "script") {
        options.ui = UiKind::Script;
      } else if (value == "tui") {
        options.ui = UiKind::Terminal;
      } else {
        error = "--ui takes tui or script, not '" + value + "'";
        return std::nullopt;
      }
    } else if (TakeValue(arguments, i, "--os-version", value)) {
      if (value == "fail") {
        options.osVersionQueryFails = true;
      } else if (!ParseVersion(value, options.osVersion)) {
        error = "--os-version takes MAJOR.MINOR (for example 4.20) or 'fail', not '" + value + "'";
        return std::nullopt;
      }
    } else if (TakeValue(arguments, i, "--os-platform", value)) {
      if (!ParseUnsigned(value, options.osVersion.platformId)) {
        error = "--os-platform takes a number (3 is Windows CE), not '" + value + "'";
        return std::nullopt;
      }
    } else if (TakeValue(arguments, i, "--entry", value)) {
      if (value != "consumer" && value != "general" && value != "admin-connection" && value != "admin-id" &&
          value != "applications") {
        error = "--entry takes consumer, general, admin-connection, admin-id or applications, not '" + value + "'";
        return std::nullopt;
      }
      options.entry = value;
    } else if (TakeValue(arguments, i, "--code-page", value)) {
      options.codePage = value;
    } else if (argument.rfind("--", 0) == 0) {
      error = "unknown option " + argument + " (see --help)";
      return std::nullopt;
    } else {
      if (!handheld.empty()) handheld += ' ';
      handheld += argument;
    }
  }
  if (options.simulatedCard && options.hostPort) {
    error = "--sim and --port exclude each other";
    return std::nullopt;
  }
  if (options.virtualClock && options.ui != UiKind::Script) {
    error = "--virtual-clock works with --ui=script only";
    return std::nullopt;
  }
  options.handheldCommandLine = platform::FromUtf8(handheld);
  return options;
}

std::string ScenarioList() {
  std::string list;
  for (const auto& scenario : card::builtinScenarios()) {
    std::string name(scenario.name);
    name.resize(std::max<std::size_t>(name.size() + 2, 28), ' ');
    list += name + std::string(scenario.description) + "\n";
  }
  return list;
}

std::string HelpText() {
  return R"(Usage: p42r [OPTIONS] [HANDHELD OPTIONS]

Runs the P42R handheld program in an emulated handheld on this machine.

Handheld options (passed to the program as its command line):
  /LOG                  write the diagnostic log p42r_softup.log beside the program

Options:
  --device-root DIR     the emulated handheld's directory (registry.reg, files);
                        default: $XDG_DATA_HOME/p42r/device or ~/.local/share/p42r/device
                        (created when missing; a directory given here must exist)
  --ui=tui              the terminal user interface (the default)
  --ui=script           headless line protocol on stdin/stdout (docs/script-protocol.md)
  --virtual-clock       time moves only by the script's 'advance' command (script mode)
  --os-version=M.N      the operating-system version the handheld reports (default 4.20);
                        'fail' makes the version query fail
  --os-platform=N       the platform identifier it reports (default 3, Windows CE)
  --code-page NAME      the handheld's ANSI code page, an iconv name (default CP932)
  --sim[=SCENARIO]      plug the simulated card in (a built-in scenario name or a
                        JSON scenario file, see card/README.md; default: normal);
                        without --device-root it gets a throw-away device root
  --trace-card          show the simulated card's traffic on standard error
  --list-scenarios      list the simulated card's built-in scenarios
  --port PATH           register the host serial device PATH (a real card, a
                        modem, a pty) as the card's AT port for this run; a
                        stable name such as /dev/serial/by-id/usb-... works
                        too. The port is looked at before the program starts;
                        once in use, its device going away (the adapter
                        unplugged, the pty's other end closed) is noticed
  --entry=WAY           where the program leads once the card is identified:
                        consumer (the default: the consumer menu), general (the
                        general menu), admin-connection or admin-id (the password
                        screen, then administrator menu 6 or 7), applications
                        (the card's application list, whose button the general
                        menu does not show; Back leads to the general menu)
  --reset-management-file
                        give the device root a new handheld's management file (the
                        common password, to be changed at the next authentication)
                        and end; a root that lost its file needs this to go on
  --landscape           the display is wider than it is high
  -h, --help            show this text
  --version             show the version

Exit codes:
  0  the program ended normally
  1  the program could not start
  2  the command line is wrong
  3  another copy is running on the same device root (it ends silently)
  4  the device root is missing or cannot be written
  5  the --port device is not there, leads nowhere or is no serial device
  6  the --port device is in use by another program
  7  no permission to open the --port device
  8  no card was found (after the program's own message)
)";
}

}  // namespace p42r::program
