// Shows serial traffic so a reader can see every byte: CR, LF, NUL and tab as
// <CR>, <LF>, <NUL>, <TAB>, other control bytes and bytes above 0x7E as
// <0xNN>, printable ASCII as itself.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace p42r::card {

enum class TrafficDirection {
  ToCard,
  FromCard,
};

std::string visibleBytes(std::string_view bytes);

// One trace line: "[   12.345] card <- ATE0<CR><LF><NUL>" (no line break).
std::string traceLine(TrafficDirection direction, std::string_view bytes, std::chrono::milliseconds sinceStart);

}  // namespace p42r::card
