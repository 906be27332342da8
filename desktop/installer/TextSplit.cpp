#include "TextSplit.h"

namespace desksetup {

std::optional<FileSpec> parseFileSpec(std::wstring_view spec) {
  const auto parts = splitText(spec, L',');
  if (parts.size() == 2) {
    return FileSpec{parts[0], parts[1]};
  }
  const auto comma = spec.find(L',');
  if (comma == std::wstring_view::npos) {
    return std::nullopt;
  }
  return FileSpec{std::wstring(spec.substr(0, comma)), std::wstring(spec.substr(comma + 1))};
}

}  // namespace desksetup
