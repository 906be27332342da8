// A registry file in the REGEDIT4 text format: the line "REGEDIT4", then key
// sections "[HKEY_...\Path]" with values "Name"="text" (backslash and double
// quote escaped by a backslash), "Name"=dword:0000000a, and others kept as
// written. The document keeps every line it did not change exactly as read
// (line endings included), so adding and removing one key leaves the rest of
// the file as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace p42r::card {

struct RegistryValue {
  std::string name;  // empty for the default value "@"
  std::variant<std::string, std::uint32_t> data;
};

class RegistryDocument {
public:
  // An empty registry: just the header.
  RegistryDocument();

  // Empty text gives an empty registry. Throws CardError (invalid input)
  // when the text does not begin with the REGEDIT4 header.
  static RegistryDocument parse(std::string_view text);
  std::string serialize() const;

  // Key paths compare without regard to letter case, as the registry does.
  bool hasKey(std::string_view path) const;
  std::vector<std::string> keys() const;
  // Names of the direct sub-keys of `parent` that have a section of their
  // own or of a deeper key, in file order, each once.
  std::vector<std::string> subKeys(std::string_view parent) const;
  // The string and dword values of `path` (the first section of that name);
  // lines in other or malformed forms are skipped.
  std::vector<RegistryValue> values(std::string_view path) const;
  std::optional<std::string> stringValue(std::string_view path, std::string_view name) const;

  // Appends a key section with `values`. Throws CardError (invalid input)
  // when the key exists already or the path cannot stand in a section line.
  void addKey(std::string_view path, const std::vector<RegistryValue>& values);
  // Removes every section of exactly this key; returns how many.
  std::size_t removeKey(std::string_view path);

  static std::string escape(std::string_view text);

private:
  struct Section {
    std::string path;                // as written between the brackets
    std::string header;              // the raw header line
    std::vector<std::string> lines;  // raw lines after it, up to the next section
  };

  std::string newLine(std::string text) const;

  std::string header_;
  std::vector<std::string> preamble_;  // lines between the header and the first section
  std::vector<Section> sections_;
  bool carriageReturns_ = false;     // the file's lines end in CR LF
  bool finalLineBreak_ = true;
};

// Whether two key paths name the same key (letter case aside).
bool sameKeyPath(std::string_view left, std::string_view right);

}  // namespace p42r::card
