#include "program/ProgramOptions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>

#include "card/BuiltinScenarios.h"
#include "card/CardError.h"
#include "card/ScenarioReader.h"
#include "frontends/commands/CommandTable.h"
#include "frontends/commands/PasswordInput.h"
#include "platform/TextConversion.h"

namespace p42r::program {

namespace {

// What a bad command line is told: the option or word and what it needs.
struct UsageError {
  std::string message;
};

using frontends::CommandName;

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

// --help's lines are kept within 79 columns; a long meaning goes on under itself.
constexpr std::size_t kHelpWidth = 79;
constexpr std::size_t kMeaningColumn = 5;

}  // namespace

std::string ExitCodesHelp() {
  std::string help = "\nExit codes:\n";
  for (const ExitCode& code : kExitCodeTable) {
    std::string line = "  " + std::to_string(code.value);
    line.resize(std::max(line.size() + 1, kMeaningColumn), ' ');
    std::string_view rest = code.meaning;
    while (line.size() + rest.size() > kHelpWidth) {
      const std::size_t cut = rest.rfind(' ', kHelpWidth - line.size());
      if (cut == std::string_view::npos || cut == 0) break;
      help += line + std::string(rest.substr(0, cut)) + "\n";
      line.assign(kMeaningColumn, ' ');
      rest.remove_prefix(cut + 1);
    }
    help += line + std::string(rest) + "\n";
  }
  return help;
}

namespace {

using Entry = ProgramOptions::Entry;

// The words --ui and --entry take, each read straight into its value.
const std::vector<std::pair<std::string, UiKind>> kUiWords = {
    {"tui", UiKind::Terminal}, {"gui", UiKind::Window}, {"script", UiKind::Script}};
const std::vector<std::pair<std::string, Entry>> kEntryWords = {{"consumer", Entry::Consumer},
                                                                {"general", Entry::General},
                                                                {"admin-connection", Entry::AdminConnection},
                                                                {"admin-id", Entry::AdminId},
                                                                {"applications", Entry::Applications}};

// Turns the option's word into its value's number for CLI11 to store; a
// word not among `words` ends the parse naming the ones it takes.
template <typename Value>
CLI::Validator WordOf(const std::string& option, const std::vector<std::pair<std::string, Value>>& words) {
  std::string taken;
  for (std::size_t i = 0; i < words.size(); ++i) {
    taken += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i].first;
  }
  return CLI::Validator(
      [option, taken, words](std::string& word) {
        for (const auto& [name, value] : words) {
          if (word != name) continue;
          word = std::to_string(static_cast<int>(value));
          return std::string();
        }
        throw UsageError{option + " takes " + taken + ", not '" + word + "'"};
      },
      "");
}

// The raw words CLI11 collects, turned into options once the parse is done.
struct RawOptions {
  UiKind ui = UiKind::Terminal;
  Entry entry = Entry::Consumer;
  std::string osVersion, osPlatform, port, deviceRoot, simulatedCard;
  std::string ledSetting, appsAction, appName, domainsAction;
  std::vector<std::string> domainsWords;
  int watchSeconds = 0;
  std::string metricsFile;
  int passwordFd = -1;
};

// The command's own options, shared by every command.
void AddCommonCommandOptions(CLI::App& command, ProgramOptions& options) {
  command.set_help_flag("-h,--help", "show this command's help");
  command.add_flag("--json", options.command->json, "print the result as one JSON object (docs/commands.md)");
  command.footer(std::string("\nThe program's options (--sim[=SCENARIO], --port PATH, --device-root DIR, ...) may\n"
                             "stand before or after the command, /LOG before it; see p42r --help.\n") +
                 ExitCodesHelp());
}

struct Parser {
  CLI::App app{"Runs the P42R handheld program in an emulated handheld on this machine.", "p42r"};
  ProgramOptions options;
  RawOptions raw;
  std::vector<std::pair<CLI::App*, frontends::CommandKind>> commands;

  Parser() {
    options.command.emplace();
    app.set_help_flag("-h,--help");
    app.allow_extras();  // the handheld's own command line, such as /LOG
    app.add_flag("--version", options.version);
    app.add_flag("--list-scenarios", options.listScenarios);
    app.add_flag("--reset-management-file", options.resetManagementFile);
    app.add_flag("--virtual-clock", options.virtualClock);
    app.add_flag("--landscape", options.landscape);
    app.add_flag("--trace-card", options.traceCard);
    // --sim takes its scenario only as --sim=SCENARIO, never from the next word.
    app.add_flag("--sim{normal}", raw.simulatedCard, "plug the simulated card in");
    app.add_option("--port", raw.port, "the host serial device of the card");
    app.add_option("--device-root", raw.deviceRoot, "the emulated handheld's directory");
    app.add_option("--ui", raw.ui)->transform(WordOf("--ui", kUiWords));
    app.add_option("--os-version", raw.osVersion);
    app.add_option("--os-platform", raw.osPlatform);
    app.add_option("--entry", raw.entry)->transform(WordOf("--entry", kEntryWords));
    app.add_option("--code-page", options.codePage);
    app.require_subcommand(0, 1);

    using frontends::CommandKind;
    Add(CommandKind::Info);
    auto* signal = Add(CommandKind::Signal);
    signal->add_option("--watch", raw.watchSeconds, "ask again every SECONDS until interrupted")
        ->check(CLI::Range(1, 86400));
    signal->add_option("--textfile", raw.metricsFile,
                       "also rewrite FILE after every answer with the reception as metrics (the text format of a "
                       "node exporter's textfile collector), replaced whole, never half written")
        ->type_name("FILE");
    auto* led = Add(CommandKind::Led);
    led->add_option("setting", raw.ledSetting, "on or off")->required()->check(CLI::IsMember({"on", "off"}));
    auto* apps = Add(CommandKind::Apps);
    apps->add_option("action", raw.appsAction, "list (the default), start or stop")
        ->check(CLI::IsMember({"list", "start", "stop"}));
    apps->add_option("name", raw.appName, "the application's name as the list shows it");
    auto* update = Add(CommandKind::Update);
    update->add_flag("-y,--yes", options.command->yes, "accept the power warning without asking");
    auto* domains = AddAdministrator(CommandKind::Domains);
    domains->add_option("action", raw.domainsAction, "list (the default), add DOMAIN, set N DOMAIN or delete N")
        ->check(CLI::IsMember({"list", "add", "set", "delete"}));
    domains->add_option("arguments", raw.domainsWords, "the slot number and/or the domain");
    AddAdministrator(CommandKind::ConnectionResult);
    auto* registerId = AddAdministrator(CommandKind::RegisterId);
    registerId->add_option("text", options.command->text, "the ID text")->required();
    Add(CommandKind::Ports);
  }

  // An administrator command passes the password screen first.
  CLI::App* AddAdministrator(frontends::CommandKind kind) {
    CLI::App* command = Add(kind);
    command->add_option("--password-fd", raw.passwordFd,
                        "read the administrator password from descriptor N, one per line (a wrong one is followed "
                        "by the next line, as a person tries again); without it, it is asked for on the terminal")
        ->check(CLI::NonNegativeNumber);
    return command;
  }

  // The command's name and description come from the command table.
  CLI::App* Add(frontends::CommandKind kind) {
    const frontends::CommandEntry& entry = frontends::CommandEntryOf(kind);
    CLI::App* command = app.add_subcommand(std::string(entry.name), std::string(entry.description));
    command->fallthrough();  // the program's options may follow the command
    command->allow_extras();  // checked with the program's own words in Finish
    AddCommonCommandOptions(*command, options);
    commands.emplace_back(command, kind);
    return command;
  }

  // The parsed words checked and turned into options.
  void Finish() {
    FinishCommand();
    std::string handheld;
    for (const std::string& word : app.remaining(/*recurse=*/true)) {
      // A dash word is a mistyped option of ours; the handheld's own options start with "/".
      if (word.size() > 1 && word[0] == '-') throw UsageError{"unknown option " + word + " (see --help)"};
      if (options.command && word[0] != '/') {
        throw UsageError{"unexpected '" + word + "' (see p42r " + CommandName(options.command->kind) + " --help)"};
      }
      if (!handheld.empty()) handheld += ' ';
      handheld += word;
    }
    options.handheldCommandLine = platform::FromUtf8(handheld);
    if (app.count("--sim") != 0) {
      options.simulatedCard = raw.simulatedCard == "normal" ? std::string() : raw.simulatedCard;
      CheckScenario(raw.simulatedCard.empty() ? std::string("normal") : raw.simulatedCard);
    }
    if (app.count("--port") != 0) options.hostPort = TakeValue("--port", raw.port, "a host serial device, such as /dev/ttyUSB0");
    if (app.count("--device-root") != 0) options.deviceRoot = TakeValue("--device-root", raw.deviceRoot, "a directory");
    if (app.count("--ui") != 0) {
      if (options.ui == UiKind::Command) throw UsageError{"--ui does not go with a command"};
      options.ui = raw.ui;
      options.uiChosen = true;
    }
    if (app.count("--os-version") != 0) {
      if (raw.osVersion == "fail") {
        options.osVersionQueryFails = true;
      } else if (!ParseVersion(raw.osVersion, options.osVersion)) {
        throw UsageError{"--os-version takes MAJOR.MINOR (for example 4.20) or 'fail', not '" + raw.osVersion + "'"};
      }
    }
    if (app.count("--os-platform") != 0 && !ParseUnsigned(raw.osPlatform, options.osVersion.platformId)) {
      throw UsageError{"--os-platform takes a number (3 is Windows CE), not '" + raw.osPlatform + "'"};
    }
    if (app.count("--entry") != 0) {
      if (options.ui == UiKind::Command) throw UsageError{"--entry does not go with a command"};
      options.entry = raw.entry;
    }
    if (options.simulatedCard && options.hostPort) throw UsageError{"--sim and --port exclude each other"};
    if (options.virtualClock && (options.ui == UiKind::Terminal || options.ui == UiKind::Window)) {
      throw UsageError{"--virtual-clock works with --ui=script or a command only"};
    }
    // A command's time waits only for a card whose answers the program can
    // follow: the simulated one, in its own process.
    if (options.virtualClock && options.ui == UiKind::Command && options.hostPort) {
      throw UsageError{"--virtual-clock with a command needs the simulated card; it does not go with --port"};
    }
  }

  void FinishCommand() {
    const auto parsed = [](const auto& c) { return c.first->parsed(); };
    if (std::count_if(commands.begin(), commands.end(), parsed) > 1) {
      throw UsageError{"one command at a time: " + app.get_subcommands().front()->get_name() + " and " +
                       app.get_subcommands().back()->get_name()};
    }
    const auto chosen = std::find_if(commands.begin(), commands.end(), parsed);
    if (chosen == commands.end()) {
      options.command.reset();
      return;
    }
    frontends::CommandRequest& command = *options.command;
    command.kind = chosen->second;
    options.ui = UiKind::Command;
    using frontends::CommandKind;
    switch (command.kind) {
      case CommandKind::Info:
      case CommandKind::Update: options.entry = Entry::Consumer; break;
      case CommandKind::Signal:
        options.entry = Entry::General;
        if (chosen->first->count("--watch") != 0) command.watchSeconds = raw.watchSeconds;
        command.metricsFile = raw.metricsFile;
        break;
      case CommandKind::Led:
        options.entry = Entry::General;
        command.ledOn = raw.ledSetting == "on";
        break;
      case CommandKind::Apps:
        options.entry = Entry::Applications;
        command.appsAction = raw.appsAction == "start" ? frontends::AppsAction::Start
                             : raw.appsAction == "stop" ? frontends::AppsAction::Stop
                                                        : frontends::AppsAction::List;
        command.appName = raw.appName;
        if (command.appsAction == frontends::AppsAction::List && !raw.appName.empty()) {
          throw UsageError{"apps list takes no name"};
        }
        if (command.appsAction != frontends::AppsAction::List && raw.appName.empty()) {
          throw UsageError{"apps " + raw.appsAction + " needs the application's name"};
        }
        break;
      case CommandKind::Domains: FinishDomains(command); [[fallthrough]];
      case CommandKind::ConnectionResult:
        options.entry = Entry::AdminConnection;
        TakePasswordFd(*chosen->first, command);
        break;
      case CommandKind::RegisterId:
        options.entry = Entry::AdminId;
        TakePasswordFd(*chosen->first, command);
        break;
      case CommandKind::Ports: break;
    }
  }

  void TakePasswordFd(const CLI::App& chosen, frontends::CommandRequest& command) const {
    if (chosen.count("--password-fd") == 0) return;
    if (auto problem = frontends::PasswordDescriptorProblem(raw.passwordFd)) throw UsageError{*problem};
    command.passwordFd = raw.passwordFd;
  }

  // domains list | add DOMAIN | set N DOMAIN | delete N
  void FinishDomains(frontends::CommandRequest& command) {
    using frontends::DomainsAction;
    const std::string& action = raw.domainsAction.empty() ? std::string("list") : raw.domainsAction;
    command.domainsAction = action == "add" ? DomainsAction::Add
                            : action == "set" ? DomainsAction::Set
                            : action == "delete" ? DomainsAction::Delete
                                                 : DomainsAction::List;
    const std::size_t wanted = action == "set" ? 2 : action == "list" ? 0 : 1;
    if (raw.domainsWords.size() != wanted) {
      throw UsageError{"domains " + action + (action == "add"      ? " takes one DOMAIN"
                                              : action == "set"    ? " takes N and DOMAIN"
                                              : action == "delete" ? " takes N"
                                                                   : " takes nothing more")};
    }
    if (action == "set" || action == "delete") {
      std::uint32_t slot = 0;
      if (!ParseUnsigned(raw.domainsWords.front(), slot) || slot < 1 || slot > 3) {
        throw UsageError{"domains " + action + ": N is a slot from 1 to 3, not '" + raw.domainsWords.front() + "'"};
      }
      command.slot = static_cast<int>(slot);
    }
    if (action == "add" || action == "set") command.text = raw.domainsWords.back();
  }

  // A value that is really the next option means the value was left out.
  static std::string TakeValue(const std::string& option, const std::string& value, const std::string& needs) {
    if (value.empty() || value[0] == '-') throw UsageError{option + " needs " + needs};
    return value;
  }

  static void CheckScenario(const std::string& scenario) {
    try {
      (void)card::loadScenario(scenario);
    } catch (const card::CardError& failure) {
      throw UsageError{"--sim=" + scenario + ": " + failure.what()};
    }
  }
};

}  // namespace

UiKind DefaultUi(bool displayThere, bool inputIsTerminal) {
  return displayThere && !inputIsTerminal ? UiKind::Window : UiKind::Terminal;
}

std::optional<ProgramOptions> ParseProgramOptions(const std::vector<std::string>& arguments, std::string& error) {
  Parser parser;
  // CLI11 reads the words back to front.
  std::vector<std::string> words(arguments.rbegin(), arguments.rend());
  try {
    parser.app.parse(words);
    parser.Finish();
  } catch (const CLI::CallForHelp&) {
    ProgramOptions help;
    const auto chosen = std::find_if(parser.commands.begin(), parser.commands.end(),
                                     [](const auto& c) { return c.first->parsed(); });
    if (chosen == parser.commands.end()) {
      help.help = HelpText();
    } else {
      // The command's usage line names the program too.
      std::string text = chosen->first->help();
      const std::string usage = "Usage: " + chosen->first->get_name();
      if (const auto at = text.find(usage); at != std::string::npos) text.insert(at + 7, "p42r [OPTIONS] ");
      help.help = text;
    }
    return help;
  } catch (const CLI::ParseError& failure) {
    error = failure.what();
    return std::nullopt;
  } catch (const UsageError& failure) {
    error = failure.message;
    return std::nullopt;
  }
  return std::move(parser.options);
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

namespace {

// The program's list of commands: each one's synopsis with its summary
// beside it, or under it when the synopsis is too long for the column.
std::string CommandsHelp() {
  constexpr std::size_t kSummaryColumn = 24;
  std::string help;
  for (const frontends::CommandEntry& entry : frontends::CommandTable()) {
    std::string line = "  " + std::string(entry.synopsis);
    line += line.size() + 2 <= kSummaryColumn ? std::string(kSummaryColumn - line.size(), ' ')
                                              : "\n" + std::string(kSummaryColumn, ' ');
    help += line + std::string(entry.summary) + "\n";
  }
  return help;
}

}  // namespace

std::string HelpText() {
  return std::string(R"(Usage: p42r [OPTIONS] [HANDHELD OPTIONS]
       p42r [OPTIONS] COMMAND [COMMAND OPTIONS]

Runs the P42R handheld program in an emulated handheld on this machine. With
a command, the program's own screens do one job without being shown and the
result is printed as text or JSON (p42r COMMAND --help, docs/commands.md).

Commands:
)") + CommandsHelp() + R"(  The administrator commands ask for the password on the terminal without
  echo, or read it from --password-fd N; never from the command line.

Handheld options (passed to the program as its command line):
  /LOG                  write the diagnostic log p42r_softup.log beside the program

Options:
  --device-root DIR     the emulated handheld's directory (registry.reg, files);
                        default: $XDG_DATA_HOME/p42r/device or ~/.local/share/p42r/device
                        (created when missing; a directory given here must exist)
  --ui=tui              the terminal user interface (the default on a terminal)
  --ui=gui              the screens in a window, shown by p42r-gui (package
                        p42r-gui; the default when it is installed, a display
                        is there and standard input is not a terminal, as
                        when started from the desktop's menu)
  --ui=script           headless line protocol on stdin/stdout (docs/script-protocol.md)
  --virtual-clock       time moves only by the script's 'advance' command (script
                        mode); with a command, time jumps ahead to what falls
                        due next whenever the program and the simulated card
                        are only waiting (for tests of long waits; not with --port)
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
)" + ExitCodesHelp();
}

}  // namespace p42r::program
