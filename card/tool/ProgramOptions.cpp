#include "card/tool/ProgramOptions.h"

#include "card/CardError.h"
#include "card/ScenarioReader.h"
#include "card/UpdateVocabulary.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace p42r::card {

namespace {

using Override = std::function<void(Scenario&, const WireEncoding&)>;

long long parseNumber(const std::string& option, const std::string& text, long long low, long long high) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    throw CardError::invalid(option + " expects a number from " + std::to_string(low) + " to " +
                             std::to_string(high) + ", not '" + text + "'");
  }
  return value;
}

milliseconds parseDuration(const std::string& option, const std::string& text) {
  return milliseconds(parseNumber(option, text, 0, std::numeric_limits<std::int32_t>::max()));
}

EndingKind parseOutcome(const std::string& option, const std::string& text) {
  try {
    return parseEndingKind(text);
  } catch (const CardError& error) {
    throw CardError::invalid(option + ": " + error.what());
  }
}

int parseNotice(const std::string& option, const std::string& text) {
  if (text == "none") return -1;
  if (const auto index = progressNoticeIndex(text)) return *index;
  throw CardError::invalid(option + " expects one of the sixteen progress notices or 'none', not '" + text + "'");
}

}  // namespace

std::string programUsage() {
  return R"(Usage: p42r-card --device-root DIR [--scenario NAME|FILE.json] [--com N] [options...]

Plugs a simulated P42R card into the emulated handheld at DIR: opens a pty,
registers it in DIR/registry.reg as the card's AT port, prints one line
"SLAVE-PATH COMn:" and answers AT commands until SIGINT or SIGTERM or until
the scenario unplugs the card; then removes its registry entry and exits.

  --device-root DIR       the emulated handheld's device root (must exist)
  --scenario NAME|FILE    a built-in scenario (see --list-scenarios) or a JSON
                          scenario file (format in card/README.md); default normal
  --com N                 register as COMN: (0-9); default the lowest free one
  --other-port            also register the card's second, non-AT port
  --trace                 show the traffic on stderr, CR and LF as <CR><LF>
  --list-scenarios        list the built-in scenarios and exit
  --help                  show this text and exit
  --version               show the version and exit

Scenario changes (applied after --scenario, in the order given):
  --echo-stays-on         ATE0 is answered OK, the echo stays on
  --no-echo               the echo is off from the start
  --silent                answer nothing at all
  --silent-from CMD       answer nothing from the first command beginning with CMD
  --maker TEXT            the AT+GMI answer (repeat for more lines)
  --error-on CMD          answer ERROR to commands beginning with CMD (repeatable)
  --reply-delay MS        send every reply MS milliseconds after its command
  --reception LINE        the AT@HYBRRSSI? data line, e.g. 4,0,2
  --connection-result L   the AT@CNLTRT data line, e.g. 1
  --pacing MS             time before each update notice
  --keep-alive MS         send KUPDLCNT every MS during an update (0: never)
  --last-notice NOTICE    the update's last notice (VERCFSTR ... RSTNOTICPL, none)
  --outcome KIND          how the update ends: ok, error, lines, silence, hang, unplug
  --reason TEXT           the line after ERROR when the outcome is error
  --leave-writing         after the update the card is still writing
  --refuse-end            answer AT@KUPEND with ERROR
  --writing-at-start      the card is still writing an update when plugged in
  --writing-notice TEXT   what it answers while writing (default FPL40)
  --writing-delay MS      from the first command to the writing's end
  --writing-outcome KIND  how the writing ends (as --outcome)
  --writing-reason TEXT   the line after ERROR for the writing's end
  --unplug-after MS       pull the card out MS milliseconds after plugging in
  --unplug-on CMD         pull the card out when a command beginning with CMD arrives

Exit status: 0 after a clean stop or unplug, 1 when the card could not be
plugged in or its registry entry not removed, 2 for a bad command line or
scenario.
)";
}

ProgramOptions parseProgramOptions(const std::vector<std::string>& arguments) {
  ProgramOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string option = arguments[i];
    std::optional<std::string> attached;
    if (const std::size_t equals = option.find('='); option.starts_with("--") && equals != std::string::npos) {
      attached = option.substr(equals + 1);
      option = option.substr(0, equals);
    }
    bool valueTaken = false;
    auto value = [&]() -> std::string {
      valueTaken = true;
      if (attached) return *attached;
      if (i + 1 >= arguments.size()) throw CardError::invalid(option + " needs a value");
      return arguments[++i];
    };
    auto add = [&](Override change) { options.overrides.push_back(std::move(change)); };
    // A command prefix: an empty one would match nothing and look like it worked.
    auto commandValue = [&]() -> std::string {
      std::string text = value();
      if (text.empty()) throw CardError::invalid(option + " needs a command, not an empty text");
      return text;
    };

    if (option == "--help" || option == "-h") {
      options.help = true;
    } else if (option == "--version") {
      options.version = true;
    } else if (option == "--list-scenarios") {
      options.listScenarios = true;
    } else if (option == "--device-root") {
      options.deviceRoot = value();
    } else if (option == "--scenario") {
      options.scenario = value();
    } else if (option == "--com") {
      options.comNumber = static_cast<int>(parseNumber(option, value(), 0, 9));
    } else if (option == "--other-port") {
      options.otherPort = true;
    } else if (option == "--trace") {
      options.trace = true;
    } else if (option == "--echo-stays-on") {
      add([](Scenario& s, const WireEncoding&) { s.echoOffWorks = false; });
    } else if (option == "--no-echo") {
      add([](Scenario& s, const WireEncoding&) { s.echo = false; });
    } else if (option == "--silent") {
      add([](Scenario& s, const WireEncoding&) { s.silent = true; });
    } else if (option == "--silent-from") {
      add([text = commandValue()](Scenario& s, const WireEncoding& e) { s.silentFrom = e.fromUtf8(text); });
    } else if (option == "--maker") {
      // The first --maker replaces the scenario's answer, later ones add lines.
      const bool first = std::none_of(arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(i),
                                      [](const std::string& a) { return a == "--maker" || a.starts_with("--maker="); });
      add([text = value(), first](Scenario& s, const WireEncoding& e) {
        if (first) s.maker.clear();
        s.maker.push_back(e.fromUtf8(text));
      });
    } else if (option == "--error-on") {
      add([text = commandValue()](Scenario& s, const WireEncoding& e) {
        s.replies.push_back({e.fromUtf8(text), {"ERROR"}});
      });
    } else if (option == "--reply-delay") {
      add([delay = parseDuration(option, value())](Scenario& s, const WireEncoding&) { s.replyDelay = delay; });
    } else if (option == "--reception") {
      add([text = value()](Scenario& s, const WireEncoding& e) { s.reception = {e.fromUtf8(text)}; });
    } else if (option == "--connection-result") {
      add([text = value()](Scenario& s, const WireEncoding& e) { s.connectionResult = {e.fromUtf8(text)}; });
    } else if (option == "--pacing") {
      add([delay = parseDuration(option, value())](Scenario& s, const WireEncoding&) { s.update.pacing = delay; });
    } else if (option == "--keep-alive") {
      add([delay = parseDuration(option, value())](Scenario& s, const WireEncoding&) {
        s.update.keepAliveInterval = delay;
      });
    } else if (option == "--last-notice") {
      add([notice = parseNotice(option, value())](Scenario& s, const WireEncoding&) { s.update.lastNotice = notice; });
    } else if (option == "--outcome") {
      add([kind = parseOutcome(option, value())](Scenario& s, const WireEncoding&) { s.update.ending.kind = kind; });
    } else if (option == "--reason") {
      add([text = value()](Scenario& s, const WireEncoding& e) { s.update.ending.reason = e.fromUtf8(text); });
    } else if (option == "--leave-writing") {
      add([](Scenario& s, const WireEncoding&) { s.update.leaveWriting = true; });
    } else if (option == "--refuse-end") {
      add([](Scenario& s, const WireEncoding&) { s.update.acceptEnd = false; });
    } else if (option == "--writing-at-start") {
      add([](Scenario& s, const WireEncoding&) { s.writing.atStart = true; });
    } else if (option == "--writing-notice") {
      add([text = value()](Scenario& s, const WireEncoding& e) { s.writing.notice = e.fromUtf8(text); });
    } else if (option == "--writing-delay") {
      add([delay = parseDuration(option, value())](Scenario& s, const WireEncoding&) { s.writing.delay = delay; });
    } else if (option == "--writing-outcome") {
      add([kind = parseOutcome(option, value())](Scenario& s, const WireEncoding&) { s.writing.ending.kind = kind; });
    } else if (option == "--writing-reason") {
      add([text = value()](Scenario& s, const WireEncoding& e) { s.writing.ending.reason = e.fromUtf8(text); });
    } else if (option == "--unplug-after") {
      add([delay = parseDuration(option, value())](Scenario& s, const WireEncoding&) { s.unplug.after = delay; });
    } else if (option == "--unplug-on") {
      add([text = commandValue()](Scenario& s, const WireEncoding& e) { s.unplug.onCommand = e.fromUtf8(text); });
    } else {
      throw CardError::invalid("unknown option '" + arguments[i] + "'");
    }
    if (attached && !valueTaken) {
      throw CardError::invalid(option + " takes no value");
    }
  }
  if (!options.help && !options.version && !options.listScenarios && options.deviceRoot.empty()) {
    throw CardError::invalid("--device-root DIR is required");
  }
  return options;
}

Scenario buildScenario(const ProgramOptions& options) {
  Scenario scenario = loadScenario(options.scenario);
  const WireEncoding encoding(scenario.encoding);
  for (const auto& change : options.overrides) {
    change(scenario, encoding);
  }
  if (scenario.update.ending.kind == EndingKind::Error && scenario.update.ending.reason.empty()) {
    throw CardError::invalid("the update outcome 'error' needs --reason");
  }
  if (scenario.writing.ending.kind == EndingKind::Error && scenario.writing.ending.reason.empty()) {
    throw CardError::invalid("the writing outcome 'error' needs --writing-reason");
  }
  return scenario;
}

}  // namespace p42r::card
