// What the administrator commands need to take a password with care: the
// descriptor given with --password-fd checked before anything else is
// opened, and the buffers that held a password cleared before they go.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace p42r::frontends {

// A password line longer than this is refused rather than taken in part.
inline constexpr std::size_t kLongestPasswordLine = 256;

// Why `fd` cannot carry passwords (not open, open for writing only, or a
// terminal that would show them as typed); nothing when it can.
std::optional<std::string> PasswordDescriptorProblem(int fd);

// Overwrites the characters before the string lets go of them.
void Wipe(std::string& text);
void Wipe(std::u16string& text);

// From the first password on, the process can no longer be dumped or
// attached to: a core file would hold what was typed.
void KeepOutOfCoreDumps();

}  // namespace p42r::frontends
