// Device status: the communication state (screen 10) and the LED display
// setting (screen 11) that it leads to.
#pragma once

#include "status/ClsDispState.h"
#include "status/ClsLEDDispChange.h"
