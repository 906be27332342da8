// One job asked for on the command line (`p42r info`, `p42r update --yes`,
// ...): which command, its arguments and how its result is printed.
#pragma once

#include <optional>
#include <string>

namespace p42r::frontends {

enum class CommandKind { Info, Signal, Led, Apps, Update };

enum class AppsAction { List, Start, Stop };

struct CommandRequest {
  CommandKind kind = CommandKind::Info;
  bool json = false;                // one JSON object instead of text
  std::optional<int> watchSeconds;  // signal --watch: ask again after this many seconds
  std::optional<bool> ledOn;        // led on|off
  AppsAction appsAction = AppsAction::List;
  std::string appName;              // apps start|stop NAME
  bool yes = false;                 // update --yes: the power warning is accepted without asking
};

const char* CommandName(CommandKind kind);

}  // namespace p42r::frontends
