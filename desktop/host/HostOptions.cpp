#include "HostOptions.h"

#include <cctype>
#include <cstdlib>

namespace desksetup::host {

namespace {

const std::pair<const char*, INSTALLSTATE> kStateNames[] = {
    {"unknown", INSTALLSTATE_UNKNOWN}, {"advertised", INSTALLSTATE_ADVERTISED},
    {"removed", INSTALLSTATE_REMOVED}, {"absent", INSTALLSTATE_ABSENT},
    {"local", INSTALLSTATE_LOCAL},     {"source", INSTALLSTATE_SOURCE},
    {"default", INSTALLSTATE_DEFAULT},
};

std::optional<HostCommand> commandOf(const std::string& word) {
  if (word == "install") return HostCommand::Install;
  if (word == "remove") return HostCommand::Remove;
  if (word == "cleanup") return HostCommand::Cleanup;
  return std::nullopt;
}

// NAME=INSTALLED,ACTION
std::optional<std::pair<std::string, standin::ComponentPlan>> parseComponent(const std::string& text) {
  const auto equals = text.find('=');
  const auto comma = text.find(',', equals == std::string::npos ? 0 : equals);
  if (equals == std::string::npos || equals == 0 || comma == std::string::npos) {
    return std::nullopt;
  }
  const auto installed = parseInstallState(text.substr(equals + 1, comma - equals - 1));
  const auto action = parseInstallState(text.substr(comma + 1));
  if (!installed || !action) {
    return std::nullopt;
  }
  return std::make_pair(text.substr(0, equals), standin::ComponentPlan{*installed, *action});
}

std::optional<std::pair<char, std::filesystem::path>> parseDrive(const std::string& text) {
  if (text.size() < 3 || text[1] != '=' || std::isalpha(static_cast<unsigned char>(text[0])) == 0) {
    return std::nullopt;
  }
  return std::make_pair(static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))),
                        std::filesystem::path(text.substr(2)));
}

}  // namespace

std::optional<INSTALLSTATE> parseInstallState(const std::string& text) {
  for (const auto& [name, state] : kStateNames) {
    if (text == name) {
      return state;
    }
  }
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end == nullptr || *end != '\0' || value < INSTALLSTATE_NOTUSED || value > INSTALLSTATE_DEFAULT) {
    return std::nullopt;
  }
  return static_cast<INSTALLSTATE>(value);
}

const char* exportNameOf(HostCommand command) {
  switch (command) {
    case HostCommand::Install:
      return "InstallCEApps";
    case HostCommand::Remove:
      return "RemoveCEApps";
    case HostCommand::Cleanup:
      return "CEObjectCleanup";
  }
  return "";
}

standin::ComponentPlan defaultPlanOf(HostCommand command) {
  if (command == HostCommand::Install) {
    return {INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL};
  }
  return {INSTALLSTATE_LOCAL, INSTALLSTATE_ABSENT};
}

ParsedOptions parseHostOptions(const std::vector<std::string>& arguments) {
  HostOptions options;
  std::vector<std::string> positional;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    const auto needValue = [&](const char* option) -> std::optional<std::string> {
      if (index + 1 >= arguments.size()) {
        return std::nullopt;
      }
      (void)option;
      return arguments[++index];
    };
    if (argument == "--help" || argument == "-h") {
      options.help = true;
      return {options, {}};
    }
    if (argument == "--version") {
      options.version = true;
      return {options, {}};
    }
    if (argument == "--root" || argument == "--drive" || argument == "--component" || argument == "--library" ||
        argument == "--codepage") {
      const auto value = needValue(argument.c_str());
      if (!value) {
        return {std::nullopt, argument + " needs a value"};
      }
      if (argument == "--root") {
        options.root = *value;
      } else if (argument == "--library") {
        options.library = *value;
      } else if (argument == "--drive") {
        const auto drive = parseDrive(*value);
        if (!drive) {
          return {std::nullopt, "--drive takes LETTER=DIR, not '" + *value + "'"};
        }
        options.drives.push_back(*drive);
      } else if (argument == "--component") {
        const auto component = parseComponent(*value);
        if (!component) {
          return {std::nullopt, "--component takes NAME=INSTALLED,ACTION, not '" + *value + "'"};
        }
        if (component->first == "*") {
          options.otherComponents = component->second;
        } else {
          options.components[component->first] = component->second;
        }
      } else {
        char* end = nullptr;
        const unsigned long codePage = std::strtoul(value->c_str(), &end, 10);
        if (value->empty() || *end != '\0' || codePage == 0 || codePage > 65535) {
          return {std::nullopt, "--codepage takes a code page number, not '" + *value + "'"};
        }
        options.codePage = static_cast<unsigned>(codePage);
      }
      continue;
    }
    if (argument.size() > 1 && argument[0] == '-' && positional.size() < 2) {
      return {std::nullopt, "unknown option '" + argument + "'"};
    }
    positional.push_back(argument);
  }
  if (positional.size() < 2) {
    return {std::nullopt, "expected a command (install, remove or cleanup) and a package"};
  }
  const auto command = commandOf(positional[0]);
  if (!command) {
    return {std::nullopt, "unknown command '" + positional[0] + "'"};
  }
  options.command = *command;
  options.package = positional[1];
  for (std::size_t index = 2; index < positional.size(); ++index) {
    const std::string& setting = positional[index];
    const auto equals = setting.find('=');
    if (equals == std::string::npos || equals == 0) {
      return {std::nullopt, "expected PROPERTY=VALUE, not '" + setting + "'"};
    }
    options.properties.emplace_back(setting.substr(0, equals), setting.substr(equals + 1));
  }
  return {options, {}};
}

std::string usageText() {
  return "Usage: desksetup-host install|remove|cleanup PACKAGE.msi [PROPERTY=VALUE ...] [OPTIONS]\n"
         "\n"
         "Runs one of DeskSetup's entry points (InstallCEApps, RemoveCEApps, CEObjectCleanup)\n"
         "the way the installer runs a custom action: the library is loaded, the export is\n"
         "called with an installer handle on PACKAGE.msi, and the installation log is printed.\n"
         "\n"
         "Options:\n"
         "  --root DIR          host folder that holds drive C: (default:\n"
         "                      $XDG_DATA_HOME/p42r/desktop-root)\n"
         "  --drive X=DIR       host folder that holds drive X:\n"
         "  --component NAME=INSTALLED,ACTION\n"
         "                      a component's installed and action state: unknown, absent,\n"
         "                      local, source, default, advertised or a number; NAME '*'\n"
         "                      sets every component not named. Unnamed components are\n"
         "                      absent,local for install and local,absent otherwise.\n"
         "  --library PATH      the DeskSetup library (default: DeskSetup.so beside this program\n"
         "                      or in the suite's private library folder where it is installed)\n"
         "  --codepage N        the ANSI code page (default 932; 65001 is UTF-8)\n"
         "  -h, --help          show this text\n"
         "  --version           show the version\n"
         "\n"
         "Exit status: the installer's result modulo 256: 0 on success, 67 (1603) when the\n"
         "action failed or could not be called, 83 (1619) when the package cannot be opened,\n"
         "2 for a bad command line.\n";
}

}  // namespace desksetup::host
