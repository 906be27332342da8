// The window messages the serial channel posts to the screen whose reader it
// runs: every line the card sent (its bytes travel with the message), and the
// step that follows a reader failure once its message box is answered. They
// are application messages, and app/AppMessages.h names them beside the
// others for the screens; they are defined here so that the channel needs
// nothing from the layers above it.
#pragma once

#include "platform/Message.h"

namespace p42r::link {

// Posted, never sent.
inline constexpr platform::MessageId WM_DEVICE_LINE = platform::WM_USER + 0x1002;  // 0x1402
inline constexpr platform::MessageId WM_SCREEN_STEP = platform::WM_USER + 0x1003;  // 0x1403

}  // namespace p42r::link
