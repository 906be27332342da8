// Windows command lines: the program token that CreateProcess takes when
// it is given no application name, and the argument split of the C runtime
// (quotes group, backslashes escape only before a quote).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace standin {

// The first token: up to the closing quote when it starts with one,
// otherwise up to the first space or tab.
std::string programOfCommandLine(std::string_view commandLine);

// argv as the C runtime builds it; argv[0] follows the program token rule.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

}  // namespace standin
