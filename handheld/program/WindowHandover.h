// The window is a part of its own: p42r links no toolkit, and a run that
// shows a window is handed over to the window part, the executable p42r-gui
// beside p42r, which is the whole program with the window linked in. Without that part the default
// choice is the terminal and an asked-for window is refused with the name
// of the package that brings it.
#pragma once

#include <filesystem>
#include <optional>

#include "program/ProgramOptions.h"

namespace p42r::program {

inline constexpr const char* kWindowNotInstalled =
    "the window is not installed: it comes with the package p42r-gui; use --ui=tui on a terminal "
    "or --ui=script without one";

// The frontend this run uses: the one asked for, or the default for where it
// runs, which is the window only when it is installed and a display is there.
UiKind ChosenUi(const ProgramOptions& options, bool windowInstalled);

// The window part beside this program, if it is installed.
std::optional<std::filesystem::path> FindWindowPart();

// Replaces this process with the window part, given the same arguments.
// Returns only when that fails, having said why: the exit code.
int HandOverToWindow(const std::filesystem::path& part, char** argv);

}  // namespace p42r::program
