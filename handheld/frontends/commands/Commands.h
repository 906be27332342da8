// The command scripts, one per command (the command table picks one).
#pragma once

#include <memory>

#include "frontends/commands/Command.h"
#include "resources/ScreenIds.h"
#include "resources/StringIds.h"

namespace p42r::frontends {

// The screens the commands visit and the controls they tap.
namespace screens = resources::screens;
namespace controls = resources::controls;

std::unique_ptr<Command> MakeInfoCommand(const CommandRequest& request);
std::unique_ptr<Command> MakeSignalCommand(const CommandRequest& request);
std::unique_ptr<Command> MakeLedCommand(const CommandRequest& request);
std::unique_ptr<Command> MakeAppsCommand(const CommandRequest& request);
std::unique_ptr<Command> MakeUpdateCommand(const CommandRequest& request);
std::unique_ptr<Command> MakeAdministratorCommand(const CommandRequest& request);

}  // namespace p42r::frontends
