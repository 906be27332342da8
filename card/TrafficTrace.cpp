#include "card/TrafficTrace.h"

#include <cstdio>

namespace p42r::card {

std::string visibleBytes(std::string_view bytes) {
  std::string shown;
  for (const char c : bytes) {
    const auto value = static_cast<unsigned char>(c);
    switch (c) {
      case '\r': shown += "<CR>"; break;
      case '\n': shown += "<LF>"; break;
      case '\0': shown += "<NUL>"; break;
      case '\t': shown += "<TAB>"; break;
      default:
        if (value < 0x20 || value > 0x7E) {
          char hex[8];
          std::snprintf(hex, sizeof hex, "<0x%02X>", value);
          shown += hex;
        } else {
          shown.push_back(c);
        }
    }
  }
  return shown;
}

std::string traceLine(TrafficDirection direction, std::string_view bytes, std::chrono::milliseconds sinceStart) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%5lld.%03lld] ", static_cast<long long>(sinceStart.count() / 1000),
                static_cast<long long>(sinceStart.count() % 1000));
  return stamp + std::string(direction == TrafficDirection::ToCard ? "card <- " : "card -> ") + visibleBytes(bytes);
}

}  // namespace p42r::card
