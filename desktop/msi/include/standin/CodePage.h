// The stand-in's ANSI code page: the single-byte (or double-byte) text of
// the installer's A functions and of the file-system A calls. Host text
// (package strings from libmsi, file names, printed logs) is UTF-8.
// Characters that the code page cannot hold become '?', as on Windows.
#pragma once

#include <string>
#include <string_view>

namespace standin {

// 932 by default; 65001 is UTF-8. Returns false for a code page that the
// system's converter does not know (the setting is then unchanged).
bool setAnsiCodePage(unsigned codePage);
unsigned ansiCodePage();

std::string utf8ToAnsi(std::string_view utf8);
std::string ansiToUtf8(std::string_view ansi);
std::wstring utf8ToWide(std::string_view utf8);
std::string wideToUtf8(std::wstring_view wide);

}  // namespace standin
