// The Windows interface that DeskSetup is written against, as the Linux
// stand-in provides it: the documented types, constants and functions of the
// installer's ANSI interface, COM error information and the few kernel file,
// process and text-conversion calls. On Windows the same name comes from the
// platform's own headers instead; the build chooses which folder is searched.
#pragma once

#include "Win32Types.h"
#include "Win32Kernel.h"
#include "Win32Com.h"
#include "Win32Msi.h"
