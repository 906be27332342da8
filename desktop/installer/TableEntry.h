// One row of the package's "SFDeskSetup" table, as the library keeps it:
// where its files go, which Binary rows hold them and which component
// decides whether it is handled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace desksetup {

struct TableEntry {
  std::wstring rowKey;         // column 1, named in the log messages
  std::wstring iniBaseName;    // column 2, written as base name + ".ini"
  std::wstring directoryKey;   // column 3, or "INSTALLDIR" when it does not resolve
  std::wstring iniKey;         // column 4, Binary row of the .ini contents
  std::wstring iconSpec;       // column 6, "key,file name"
  std::wstring componentName;  // column 8, may be empty
  std::int16_t removeFlag = 0; // column 7, low 16 bits; 0 keeps the files on removal
  std::vector<std::wstring> cabItems;  // column 5 split at semicolons
};

}  // namespace desksetup
