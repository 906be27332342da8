// Puts the program together: the device root, the platform stand-in, the
// application object and the chosen frontend; runs it to its end.
#pragma once

#include "program/ProgramOptions.h"

namespace p42r::program {

// Runs p42r with parsed options; the process exit code.
int RunProgram(const ProgramOptions& options);

}  // namespace p42r::program
