// Raising a failed installer call: the installer's result as an HRESULT,
// a description built from the installer's last error record (or the
// system's text), published as the thread's COM error information, then
// thrown as `com_exception`. Also the HRESULT of a failed system call.
#pragma once

#include "ComException.h"

#include <string_view>

namespace desksetup {

// A positive result becomes (r & 0xFFFF) | 0x80070000; anything that is
// still not a failure becomes E_UNEXPECTED.
HRESULT hresultFromInstallerResult(UINT result);
HRESULT hresultFromSystemError(DWORD error);

// The system's message text for an HRESULT, empty when it has none.
std::string systemMessage(HRESULT result);

// "MsiRecordGetString", "MsiGetProperty" (with the property name) or
// "MsiRecordSetString"; the arguments appear in the description.
[[noreturn]] void raiseInstallerCallFailure(UINT result, std::string_view callName,
                                            std::string_view firstArgument = {},
                                            std::string_view secondArgument = {});

// "CALL(PATH) failed: TEXT" with the system's text for the error.
std::string describeSystemError(DWORD error, std::string_view callName, std::string_view path);

// A failed file creation or write: the system error as an HRESULT.
[[noreturn]] void throwSystemError(DWORD error, std::string_view callName, std::string_view path);

}  // namespace desksetup
