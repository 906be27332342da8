// Puts the program together: the device root, the platform stand-in, the
// application object and the chosen frontend; runs it to its end.
#pragma once

#include "program/WindowMaker.h"
#include "program/ProgramOptions.h"

namespace p42r::program {

// Runs p42r with parsed options; the process exit code. Without
// makeWindow the window is not installed in this process.
int RunProgram(const ProgramOptions& options, const WindowMaker& makeWindow = nullptr);

// The whole of p42r's main: reads the command line and runs. Without
// makeWindow (p42r itself) a run that shows the window is handed over to
// the window part, which passes its own.
int ProgramMain(int argc, char** argv, const WindowMaker& makeWindow);

}  // namespace p42r::program
