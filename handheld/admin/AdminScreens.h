// Device administration: the connection-destination limit with the
// connection result (screen 12) and the ID registration (screen 14).
#pragma once

#include "admin/ClsLimitConnect.h"
#include "admin/ClsSecurity.h"
