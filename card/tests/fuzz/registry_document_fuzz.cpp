// Arbitrary text as a registry file: refused, or read so that writing it back
// unchanged gives exactly the same bytes, and adding then removing a key
// keeps every key that was there.
#include "card/CardError.h"
#include "card/RegistryDocument.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  p42r::card::RegistryDocument document;
  try {
    document = p42r::card::RegistryDocument::parse(text);
  } catch (const p42r::card::CardError&) {
    return 0;
  }
  const bool blank = text.find_first_not_of(" \t\r\n") == std::string_view::npos;
  if (!blank && document.serialize() != text) std::abort();
  const auto keys = document.keys();
  for (const auto& key : keys) (void)document.values(key);
  (void)document.subKeys("HKEY_LOCAL_MACHINE\\Drivers\\Active");
  const std::string added = "HKEY_LOCAL_MACHINE\\Drivers\\Active\\FUZZ";
  if (!document.hasKey(added)) {
    document.addKey(added, {{"Name", std::string("COM9:")}});
    if (document.removeKey(added) != 1) std::abort();
    const auto reread = p42r::card::RegistryDocument::parse(document.serialize());
    if (reread.keys() != keys) std::abort();
  }
  return 0;
}
