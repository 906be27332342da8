// One job asked for on the command line (`p42r info`, `p42r update --yes`,
// ...): which command, its arguments and how its result is printed.
#pragma once

#include <optional>
#include <string>

namespace p42r::frontends {

// Ports needs no card and no screen: the program answers it before starting.
enum class CommandKind { Info, Signal, Led, Apps, Update, Domains, ConnectionResult, RegisterId, Ports };

enum class AppsAction { List, Start, Stop };
enum class DomainsAction { List, Add, Set, Delete };

struct CommandRequest {
  CommandKind kind = CommandKind::Info;
  bool json = false;                // one JSON object instead of text
  std::optional<int> watchSeconds;  // signal --watch: ask again after this many seconds
  std::string metricsFile;          // signal --textfile: the reception also rewritten into this file
  std::optional<bool> ledOn;        // led on|off
  AppsAction appsAction = AppsAction::List;
  std::string appName;              // apps start|stop NAME
  bool yes = false;                 // update --yes: the power warning is accepted without asking
  DomainsAction domainsAction = DomainsAction::List;
  int slot = 0;                     // domains set|delete N: the slot, 1 to 3
  std::string text;                 // domains add|set: the domain; register-id: the ID text
  // The administrator commands read the password (one per line) from this
  // descriptor; without it, from the terminal without echo. Never from argv.
  std::optional<int> passwordFd;
};

const char* CommandName(CommandKind kind);

}  // namespace p42r::frontends
