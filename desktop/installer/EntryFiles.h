// The file work for one table entry: writing its .ini, .cab and icon files
// from the Binary table into its directory, deleting them again on removal,
// and removing the directories that held them. Each problem is logged with
// the entry's own message; the result says whether the entry succeeded.
#pragma once

#include "TableEntry.h"
#include "Win32Api.h"

#include <string>

namespace desksetup {

enum class EntryResult { Succeeded, Failed };

// Appends the entry's quoted .ini path to iniFileList (one space before it
// when the list is not empty) before the .ini file is written.
EntryResult writeEntryFiles(MSIHANDLE install, MSIHANDLE database, const TableEntry& entry,
                            std::wstring& iniFileList);

EntryResult deleteEntryFiles(MSIHANDLE install, const TableEntry& entry);

EntryResult removeEntryDirectories(MSIHANDLE install, const TableEntry& entry);

}  // namespace desksetup
