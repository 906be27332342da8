#include "resources/Bitmaps.h"

#include <algorithm>

#include "resources/bitmaps/EmbeddedBitmaps.h"

namespace p42r::resources {

std::span<const std::uint8_t> FindBitmap(int id) {
  const auto table = EmbeddedBitmaps();
  const auto found = std::lower_bound(table.begin(), table.end(), id,
                                       [](const EmbeddedBitmap& entry, int wanted) { return entry.id < wanted; });
  if (found == table.end() || found->id != id) return {};
  return found->bytes;
}

}  // namespace p42r::resources
