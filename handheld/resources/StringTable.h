// The program's string table: every user-visible text, AT command, reply token,
// file, section, key and registry name, loaded by numeric identifier when used.
// Texts are wide (UTF-16) exactly as the program shows or sends them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace p42r::resources {

// The text of string resource `id`, or nothing when the table has no such id.
std::optional<std::u16string_view> FindString(std::uint32_t id);

// The text of string resource `id`; an empty text when the id is unknown,
// as the framework's string loading gives.
std::u16string LoadString(std::uint32_t id);

// Every identifier in the table, ascending (for tests and tools). StringIdAt
// gives 0, which is no identifier of the table, for an index past the end.
std::size_t StringCount();
std::uint32_t StringIdAt(std::size_t index);

}  // namespace p42r::resources
