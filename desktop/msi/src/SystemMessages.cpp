// The system's message texts for the Win32 errors the stand-in produces,
// reached through FormatMessageA, also for HRESULTs of the Win32 facility.
#include "Win32Api.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace {

struct SystemMessage {
  DWORD error;
  std::string_view text;
};

constexpr SystemMessage kMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
    {ERROR_INVALID_DATA, "The data is invalid."},
    {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
    {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
    {ERROR_SHARING_VIOLATION,
     "The process cannot access the file because it is being used by another process."},
    {ERROR_LOCK_VIOLATION,
     "The process cannot access the file because another process has locked a portion of the file."},
    {ERROR_FILE_EXISTS, "The file exists."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_DISK_FULL, "There is not enough space on the disk."},
    {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
    {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_BAD_EXE_FORMAT, "The file is not a valid application."},
    {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
    {ERROR_MORE_DATA, "More data is available."},
    {ERROR_NO_MORE_ITEMS, "No more data is available."},
    {ERROR_DIRECTORY, "The directory name is invalid."},
    {ERROR_STOPPED_ON_SYMLINK, "The create operation stopped after reaching a symbolic link."},
    {ERROR_INSTALL_FAILURE, "Fatal error during installation."},
    {ERROR_UNKNOWN_COMPONENT, "Component not used on this computer."},
    {ERROR_UNKNOWN_PROPERTY, "Unknown property."},
    {ERROR_INVALID_HANDLE_STATE, "Handle is in an invalid state."},
    {ERROR_BAD_QUERY_SYNTAX, "SQL query syntax invalid or unsupported."},
    {ERROR_INVALID_FIELD, "Record field does not exist."},
    {ERROR_FUNCTION_FAILED, "Function failed during execution."},
    {ERROR_INVALID_TABLE, "Invalid or unknown table specified."},
    {ERROR_DATATYPE_MISMATCH, "Data supplied is of wrong type."},
    {ERROR_INVALID_DATATYPE, "The specified datatype is invalid."},
    {ERROR_CANT_ACCESS_FILE, "The file cannot be accessed by the system."},
};

}  // namespace

extern "C" DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD, LPSTR lpBuffer,
                                       DWORD nSize, va_list*) {
  if ((dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || lpBuffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  DWORD error = dwMessageId;
  if ((error & 0xFFFF0000u) == 0x80070000u) {
    error &= 0xFFFFu;
  }
  const auto found = std::find_if(std::begin(kMessages), std::end(kMessages),
                                  [&](const SystemMessage& message) { return message.error == error; });
  if (found == std::end(kMessages)) {
    SetLastError(317);  // ERROR_MR_MID_NOT_FOUND
    return 0;
  }
  const std::string text = std::string(found->text) + "\r\n";
  if (nSize <= text.size()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpBuffer, text.c_str(), text.size() + 1);
  return static_cast<DWORD>(text.size());
}
