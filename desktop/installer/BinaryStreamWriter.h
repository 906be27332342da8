// Copies the stream of one Binary-table row into a file, reading it 10,240
// bytes at a time. The row is selected with a query parameter, so any key, quotes
// included, finds exactly its own row.
#pragma once

#include "Win32Api.h"

#include <string>

namespace desksetup {

// Returns 0 when the file was written, or when it is in use by another
// program and so left untouched; otherwise the installer's or the system's
// error code, after logging it. A path the system will not let a write
// replace (a link, a program, a FIFO or device) is such an error: the file
// stays as it is and the row fails. Any other failed file creation, or a
// failed or short write, throws `com_exception` with the system error.
UINT writeBinaryStream(MSIHANDLE install, MSIHANDLE database, const std::string& filePath,
                       const std::string& binaryKey);

}  // namespace desksetup
