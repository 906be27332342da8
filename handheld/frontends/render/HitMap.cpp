#include "frontends/render/HitMap.h"

namespace p42r::frontends::render {

std::optional<Hit> HitMap::at(int column, int row) const {
  for (auto it = hits_.rbegin(); it != hits_.rend(); ++it) {
    if (it->area.contains(column, row)) return *it;
  }
  return std::nullopt;
}

}  // namespace p42r::frontends::render
