// The command scripts, one per command; MakeCommand picks one.
#pragma once

#include <memory>

#include "frontends/commands/Command.h"
#include "resources/ScreenIds.h"

namespace p42r::frontends {

// The screens the commands visit and the controls they tap.
namespace screens = resources::screens;
namespace controls = resources::controls;

std::unique_ptr<Command> MakeInfoCommand();
std::unique_ptr<Command> MakeSignalCommand(std::optional<int> watchSeconds, std::string metricsFile);
std::unique_ptr<Command> MakeLedCommand(bool on);
std::unique_ptr<Command> MakeAppsCommand(AppsAction action, std::string name);
std::unique_ptr<Command> MakeUpdateCommand(bool yes);
std::unique_ptr<Command> MakeAdministratorCommand(const CommandRequest& request);

// The text of string-table entry `id`, as UTF-8.
std::string Text(std::uint32_t id);
// Whether `text` ends with string-table entry `id` (a message after a name).
bool EndsWithText(const std::string& text, std::uint32_t id);

}  // namespace p42r::frontends
