// p42r: the P42R handheld program in an emulated handheld. It carries no
// window: a run that shows one is handed over to p42r-gui.
#include "program/Program.h"

int main(int argc, char** argv) { return p42r::program::ProgramMain(argc, argv, nullptr); }
