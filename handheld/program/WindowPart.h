// The window frontend as the program makes it: linked only into the window
// part (p42r-gui) and into the window's tests and measurements.
#pragma once

#include "program/WindowMaker.h"

namespace p42r::program {

WindowMaker WindowPart();

}  // namespace p42r::program
