// Reads a scenario from JSON (format in card/README.md). Every key is
// optional and starts from the normal card; unknown keys, wrong types and
// impossible values are refused with the path of the offending key, so a
// typo never silently turns into the default behaviour.
#pragma once

#include "card/Scenario.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace p42r::card {

// Throws CardError (invalid input) naming `origin` and the key at fault.
Scenario readScenario(std::string_view jsonText, const std::string& origin);

// Throws CardError: invalid input for bad content, system failure when the
// file cannot be read.
Scenario readScenarioFile(const std::filesystem::path& path);

// A built-in scenario by name, or else a JSON file by path.
Scenario loadScenario(std::string_view nameOrPath);

// "ok", "error", "lines", "silence", "hang" or "unplug".
EndingKind parseEndingKind(std::string_view text);  // throws CardError
std::string_view endingKindName(EndingKind kind);

}  // namespace p42r::card
