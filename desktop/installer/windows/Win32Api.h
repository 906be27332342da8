// On Windows the interface DeskSetup is written against comes from the
// platform's own headers.
#pragma once

#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <oleauto.h>
