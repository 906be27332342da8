// p42r-gui: the window part, the whole program with the window frontend
// linked in. p42r hands a run that shows a window over to it.
#include "program/Program.h"
#include "program/WindowPart.h"

int main(int argc, char** argv) { return p42r::program::ProgramMain(argc, argv, p42r::program::WindowPart()); }
