// The phone update's two screens: the start page (8) with the AC-power
// warning, and the progress screen (9) that runs the update.
#pragma once

#include "update/ClsPortableUpdate.h"
#include "update/ClsUpdating.h"
