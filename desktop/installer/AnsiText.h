// Text as the library keeps it (wide) and as the installer and the file
// system take it (the ANSI code page), plus the "%s" filling of the log
// message templates.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace desksetup {

std::wstring toWide(std::string_view ansi);
std::string toAnsi(std::wstring_view wide);

// Replaces each "%s" of the template, in order, by the next value; a "%s"
// without a value becomes empty. No other conversion is recognised.
std::string fillIn(std::string_view templateText, std::initializer_list<std::string_view> values);

}  // namespace desksetup
