// Every command once: its name, the lines the program's help and the
// command's own help give it, and the script that does it. The dispatcher,
// the command-line parser and the help are all read from this table.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "frontends/commands/Command.h"
#include "frontends/commands/CommandRequest.h"

namespace p42r::frontends {

struct CommandEntry {
  CommandKind kind;
  std::string_view name;
  std::string_view synopsis;     // the program's help: the name and its arguments
  std::string_view summary;      // the program's help: what it does, in a line
  std::string_view description;  // the command's own help
  // The script over the screens; none for a command the program answers before it starts (ports).
  std::unique_ptr<Command> (*make)(const CommandRequest& request);
};

std::span<const CommandEntry> CommandTable();
const CommandEntry& CommandEntryOf(CommandKind kind);

}  // namespace p42r::frontends
