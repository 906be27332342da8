// Text as a terminal shows it: the program's UTF-16 text decoded to code
// points, each with its display width (Japanese characters take two cells),
// and wrapped into lines that fit a width.
//
// Widths come from the C library's wcwidth in a UTF-8 locale, the same rule
// ncursesw applies when it puts the characters on the screen, whatever
// locale the process itself runs in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace p42r::frontends::render {

// Unpaired surrogates become U+FFFD.
std::u32string DecodeUtf16(std::u16string_view text);
std::string EncodeUtf8(std::u32string_view text);

// 2 for wide characters, 1 for the others that print, 0 for what takes no
// cell (controls, combining marks).
int CharWidth(char32_t c);
int TextWidth(std::u32string_view text);

// Splits at line breaks (CR LF, LF or CR) and wraps each line to `width`
// cells. Latin words move to the next line whole when they fit there;
// Japanese text breaks between any two characters. Always at least one line.
std::vector<std::u32string> WrapText(std::u32string_view text, int width);

// The longest tail of `text` that fits `width` cells (a field scrolled to its end).
std::u32string_view FittingTail(std::u32string_view text, int width);

}  // namespace p42r::frontends::render
