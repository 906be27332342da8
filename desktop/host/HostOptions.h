// The command line of desksetup-host: which entry point to run, on which
// package, with which properties, component plan, drive folders and code
// page.
#pragma once

#include "standin/InstallerSession.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace desksetup::host {

enum class HostCommand { Install, Remove, Cleanup };

struct HostOptions {
  HostCommand command = HostCommand::Install;
  std::filesystem::path package;
  std::vector<std::pair<std::string, std::string>> properties;
  std::map<std::string, standin::ComponentPlan> components;
  std::optional<standin::ComponentPlan> otherComponents;  // from --component '*=...'
  std::optional<std::filesystem::path> root;              // drive C:
  std::vector<std::pair<char, std::filesystem::path>> drives;
  std::optional<std::filesystem::path> library;
  unsigned codePage = 932;
  bool help = false;
  bool version = false;
};

struct ParsedOptions {
  std::optional<HostOptions> options;
  std::string error;  // set when options is empty
};

ParsedOptions parseHostOptions(const std::vector<std::string>& arguments);

// "local", "absent", ... or the number of an installer state.
std::optional<INSTALLSTATE> parseInstallState(const std::string& text);

// The export the command calls and the plan a component gets when the
// command line does not name it: installing puts absent components in
// place, removing takes installed ones away.
const char* exportNameOf(HostCommand command);
standin::ComponentPlan defaultPlanOf(HostCommand command);

std::string usageText();

}  // namespace desksetup::host
