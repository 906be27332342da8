// The named scenarios that come with the card, each a JSON text in the same
// format as a scenario file (so the built-ins exercise the same reader).
#pragma once

#include <string_view>
#include <vector>

namespace p42r::card {

struct BuiltinScenario {
  std::string_view name;
  std::string_view description;
  std::string_view json;
};

const std::vector<BuiltinScenario>& builtinScenarios();
const BuiltinScenario* findBuiltinScenario(std::string_view name);

}  // namespace p42r::card
