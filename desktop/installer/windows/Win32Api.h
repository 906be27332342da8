// On Windows the interface DeskSetup is written against comes from the
// platform's own headers.
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <oleauto.h>

// Newer than the cross compiler's headers: what the system reports when a
// create reaches a symbolic link it was asked not to follow.
#ifndef ERROR_STOPPED_ON_SYMLINK
#define ERROR_STOPPED_ON_SYMLINK 681L
#endif
