// Reads every row of the package's "SFDeskSetup" table into table entries,
// columns by position, checking each row's directory key on the way.
#pragma once

#include "TableEntry.h"
#include "Win32Api.h"

#include <string>
#include <vector>

namespace desksetup {

enum class TableRead { Succeeded, Failed };

// Appends one entry per fetched row. Fails only when the table's view
// cannot be opened; a failed field read raises `com_exception`.
TableRead readTable(MSIHANDLE install, MSIHANDLE database, std::vector<TableEntry>& entries);

// A string field: read into 512 characters first, and when the installer
// asks for more room, into twice the field's size plus one.
std::wstring readStringField(MSIHANDLE record, UINT field);

}  // namespace desksetup
