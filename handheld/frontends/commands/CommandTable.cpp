#include "frontends/commands/CommandTable.h"

#include <algorithm>
#include <iterator>

#include "frontends/commands/Commands.h"

namespace p42r::frontends {

namespace {

const CommandEntry kCommands[] = {
    {CommandKind::Info, "info", "info", "identify the card: port, maker, an update still being written",
     "Identifies the card as the program's start does: its port, its maker and whether an update was still being "
     "written.",
     MakeInfoCommand},
    {CommandKind::Signal, "signal", "signal [--watch S]", "the reception level, network kind and the screen's label",
     "Asks the card for its reception: level 0-4, network kind and the screen's label.", MakeSignalCommand},
    {CommandKind::Led, "led", "led on|off", "set the card's LED display",
     "Sets the card's communication-state LED display on or off (the card does not tell its present setting).",
     MakeLedCommand},
    {CommandKind::Apps, "apps", "apps [list|start NAME|stop NAME]",
     "the card's applications and their states; start or stop one",
     "Lists the card's applications and their states; starts or stops one.", MakeAppsCommand},
    {CommandKind::Update, "update", "update [--yes]", "the phone update, with progress on standard error",
     "Runs the phone update: the card fetches and writes its new software. Progress goes to standard error, the "
     "card's result to standard output.",
     MakeUpdateCommand},
    {CommandKind::Domains, "domains", "domains [list|add DOMAIN|set N DOMAIN|delete N]",
     "the permitted connection domains (administrator)",
     "The card's permitted connection domains (three slots): list them, add one to an empty slot, set or delete "
     "slot N.",
     MakeAdministratorCommand},
    {CommandKind::ConnectionResult, "connection-result", "connection-result",
     "how the last dial-up connection ended (administrator)", "How the card's last dial-up connection ended.",
     MakeAdministratorCommand},
    {CommandKind::RegisterId, "register-id", "register-id TEXT",
     "register an ID text in the card's memory (administrator)",
     "Registers an ID text into the card's dedicated memory area.", MakeAdministratorCommand},
    {CommandKind::Ports, "ports", "ports", "the USB serial and ACM ports a card could be on, and who holds them",
     "Lists the USB serial and ACM ports a card could be on: the stable /dev/serial/by-id name, vendor, product, "
     "serial number and the processes that hold each open. Needs no card.",
     nullptr},
};

}  // namespace

std::span<const CommandEntry> CommandTable() { return kCommands; }

const CommandEntry& CommandEntryOf(CommandKind kind) {
  return *std::find_if(std::begin(kCommands), std::end(kCommands),
                       [kind](const CommandEntry& entry) { return entry.kind == kind; });
}

const char* CommandName(CommandKind kind) { return CommandEntryOf(kind).name.data(); }

std::unique_ptr<Command> MakeCommand(const CommandRequest& request) {
  const auto make = CommandEntryOf(request.kind).make;
  return make != nullptr ? make(request) : nullptr;
}

}  // namespace p42r::frontends
