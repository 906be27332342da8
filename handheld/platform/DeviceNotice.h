// The platform's device-change notice (WM_DEVICECHANGE): the event code in the
// word parameter and, as payload, what kind of device it is and its name.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Message.h"

namespace p42r::platform {

inline constexpr std::uint64_t DBT_DEVICEARRIVAL = 0x8000;
inline constexpr std::uint64_t DBT_DEVICEREMOVECOMPLETE = 0x8004;
inline constexpr std::uint32_t DBT_DEVTYP_VOLUME = 2;
inline constexpr std::uint32_t DBT_DEVTYP_PORT = 3;

struct DeviceNotice final : Payload {
  DeviceNotice(std::uint32_t type, std::u16string deviceName) : deviceType(type), name(std::move(deviceName)) {}
  std::uint32_t deviceType;
  std::u16string name;  // a port's name, "COM4:"
};

}  // namespace p42r::platform
