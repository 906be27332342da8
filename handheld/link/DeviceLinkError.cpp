#include "link/DeviceLinkError.h"

#include "resources/StringTable.h"

namespace p42r::link {

std::u16string ErrorText(std::uint32_t kindId, std::uint32_t codeId) {
  return resources::LoadString(kindId) + resources::LoadString(codeId);
}

}  // namespace p42r::link
