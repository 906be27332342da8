// The application's own window messages and the framework identifiers the
// shell relies on.
#pragma once

#include <cstdint>

#include "link/ChannelMessages.h"
#include "platform/Message.h"

namespace p42r::app {

// Posted, never sent.
inline constexpr platform::MessageId WM_SCREEN_ACTIVATED = platform::WM_USER + 0x1001;  // 0x1401
using link::WM_DEVICE_LINE;  // 0x1402, from the serial channel
using link::WM_SCREEN_STEP;  // 0x1403, a screen's next step; the channel posts it too
inline constexpr platform::MessageId WM_DEVICE_REMOVED = platform::WM_USER + 0x1004;    // 0x1404

// The framework's first-pane identifier: the visible screen always holds it.
inline constexpr std::uint32_t kFirstPaneId = 0xE900;
inline constexpr std::uint32_t kCommandBarId = 0xE800;
inline constexpr std::uint16_t ID_APP_ABOUT = 57664;

// The screens' shared watchdog timer.
inline constexpr std::uint32_t kWatchdogTimer = 0x7FFF;

inline constexpr int kScreenCount = 16;


}  // namespace p42r::app
