// Formatting a record the way the installer formats one: the template in
// field 0 with [n] field references, [NAME] properties (with a session),
// [%NAME] environment variables, [\x] escapes, [~] and {...} groups that
// vanish when a reference inside them is empty. Without a template the
// record reads "1: value 2: value ".
#pragma once

#include "MsiRecord.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace standin {

// A property's value, or nullopt when no session is there to ask.
using PropertyLookup = std::function<std::optional<std::string>(std::string_view)>;

std::string formatTemplate(std::string_view templateText, const Record& record, const PropertyLookup& properties);
std::string formatRecord(const Record& record, const PropertyLookup& properties);

}  // namespace standin
