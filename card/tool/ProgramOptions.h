// The command line of p42r-card: where to plug the card in, which scenario
// to play, and options that change the scenario after it was loaded.
#pragma once

#include "card/Scenario.h"
#include "card/WireEncoding.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace p42r::card {

struct ProgramOptions {
  bool help = false;
  bool listScenarios = false;
  bool version = false;
  std::filesystem::path deviceRoot;
  std::string scenario = "normal";
  std::optional<int> comNumber;
  bool otherPort = false;
  bool trace = false;
  // Scenario changes, in command-line order; texts are converted to the
  // scenario's wire encoding when applied.
  std::vector<std::function<void(Scenario&, const WireEncoding&)>> overrides;
};

// Throws CardError (invalid input) with a message fit for the user.
ProgramOptions parseProgramOptions(const std::vector<std::string>& arguments);

// Loads the scenario and applies the overrides. Throws CardError.
Scenario buildScenario(const ProgramOptions& options);

std::string programUsage();

}  // namespace p42r::card
