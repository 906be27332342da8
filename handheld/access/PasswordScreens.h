// The password screens: authentication (2), lock release (3) and password
// change (4). Their fields take characters directly, without the input method.
#pragma once

#include "access/ClsChangePswd.h"
#include "access/ClsCheckPswd.h"
#include "access/ClsUnlock.h"
