// Reading an installer's verbose log (msiexec /l*v): its lines, what one
// custom action logged between its "Action start" and "Action ended"
// lines, where an action started, and the property values listed at the
// end of the log.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace desktoptest {

// Lines without their LF or CR LF ends; no text gives no lines.
std::vector<std::string> linesOf(const std::optional<std::string>& text);

// The lines logged while the action ran (empty when it never ran).
std::vector<std::string> linesOfAction(const std::vector<std::string>& log, const std::string& action);

// Index of the line that starts the action, or -1 when it never started.
long actionStart(const std::vector<std::string>& log, const std::string& action);

// The value in the "Property(S): NAME = VALUE" line, empty when there is none.
std::string propertyInLog(const std::vector<std::string>& log, const std::string& name);

}  // namespace desktoptest
