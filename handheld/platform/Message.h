// Window messages: what the event loop carries from a poster to a window.
// Values follow the handheld platform, so that logs and tests read the same.
#pragma once

#include <cstdint>
#include <memory>

namespace p42r::platform {

using WindowHandle = std::uint32_t;  // 0 is no window
using MessageId = std::uint32_t;

inline constexpr MessageId WM_DESTROY = 0x0002;
inline constexpr MessageId WM_CLOSE = 0x0010;
inline constexpr MessageId WM_PAINT = 0x000F;
inline constexpr MessageId WM_KEYDOWN = 0x0100;
inline constexpr MessageId WM_COMMAND = 0x0111;
inline constexpr MessageId WM_TIMER = 0x0113;
inline constexpr MessageId WM_NOTIFY = 0x004E;
inline constexpr MessageId WM_DEVICECHANGE = 0x0219;
inline constexpr MessageId WM_USER = 0x0400;

// Notification codes carried by WM_COMMAND and WM_NOTIFY.
inline constexpr std::int64_t BN_CLICKED = 0;
inline constexpr std::int64_t EN_CHANGE = 0x0300;
inline constexpr std::int64_t NM_CLICK = -2;
inline constexpr std::int64_t LVN_KEYDOWN = -155;

// Virtual keys the screens look at.
inline constexpr std::uint32_t VK_RETURN = 0x0D;
inline constexpr std::uint32_t VK_UP = 0x26;
inline constexpr std::uint32_t VK_DOWN = 0x28;

// Data that travels with a message and belongs to its receiver once delivered
// (a received line, a device-change notice). A message dropped on the way
// releases it.
struct Payload {
  virtual ~Payload() = default;
};

struct Message {
  WindowHandle window = 0;
  MessageId id = 0;
  std::uint64_t wParam = 0;
  std::int64_t lParam = 0;
  std::unique_ptr<Payload> payload;
};

// WM_COMMAND's word parameter: control id in the low word, code in the high word.
inline constexpr std::uint64_t MakeCommandParam(std::uint16_t controlId, std::uint16_t code) {
  return static_cast<std::uint64_t>(controlId) | (static_cast<std::uint64_t>(code) << 16);
}
inline constexpr std::uint16_t CommandId(std::uint64_t wParam) {
  return static_cast<std::uint16_t>(wParam & 0xFFFF);
}
inline constexpr std::uint16_t CommandCode(std::uint64_t wParam) {
  return static_cast<std::uint16_t>((wParam >> 16) & 0xFFFF);
}

}  // namespace p42r::platform
