// Before any port is opened: is this a supported system, and which COM port
// is the card's AT-command port? The card's driver is found among the active
// drivers in the registry by its Plug-and-Play identifier; of its entries,
// the one whose "Key" ends in "2" is the AT port. Both write progress lines
// to the diagnostic log; neither shows anything or throws.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/DeviceRoot.h"
#include "platform/DiagnosticLog.h"
#include "platform/Registry.h"

namespace p42r::link {

bool CheckOSVersion(const std::optional<platform::OsVersion>& version, platform::DiagnosticLog& log);

// Appends at most one port name (the driver's "Name" without any ":") to `ports`.
bool FindModulePort(platform::RegistryApi& registry, platform::DiagnosticLog& log, std::vector<std::u16string>& ports);

}  // namespace p42r::link
