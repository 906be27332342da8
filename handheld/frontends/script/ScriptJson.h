// The script protocol's picture of the model: controls, forms and message
// boxes as JSON values.
#pragma once

#include <nlohmann/json.hpp>

#include "platform/Control.h"
#include "platform/Display.h"
#include "platform/Form.h"

namespace p42r::frontends {

const char* KindName(resources::ControlKind kind);
nlohmann::ordered_json ControlJson(const platform::Form& form, const platform::Control& control);
nlohmann::ordered_json PropertyValue(const platform::Control& control, platform::ControlProperty property);
nlohmann::ordered_json MessageBoxJson(const platform::MessageBoxState& box);
// A line of output: compact, UTF-8, never throws on odd text.
std::string Serialise(const nlohmann::ordered_json& value);

}  // namespace p42r::frontends
