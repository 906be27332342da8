// The platform's per-thread "last error" value, as the system calls leave it.
#pragma once

#include <cstdint>

namespace p42r::platform {

std::uint32_t GetLastError();
void SetLastError(std::uint32_t error);

inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr std::uint32_t ERROR_NO_MORE_ITEMS = 259;
inline constexpr std::uint32_t ERROR_IO_PENDING = 997;
inline constexpr std::uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
inline constexpr std::uint32_t ERROR_DEVICE_REMOVED = 1617;
// The error a write gets when the port's device is no longer usable.
inline constexpr std::uint32_t ERROR_DEVICE_NOT_AVAILABLE = 1609;

}  // namespace p42r::platform
