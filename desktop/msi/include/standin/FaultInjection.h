// Failures on demand, for tests: the next call (after letting a number of
// calls through) of a named stand-in function fails with the given Win32
// error, optionally leaving an installer error record with the given
// fields. Functions that honour it: CreateFileA, WriteFile (a short write),
// CreateProcessA, CreateErrorInfo, SetErrorInfo, MsiGetActiveDatabase,
// MsiGetPropertyA, MsiGetTargetPathA, MsiDatabaseOpenViewA, MsiViewFetch,
// MsiRecordGetStringA, MsiRecordSetStringA, MsiRecordReadStream.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct InjectedFault {
  unsigned error = 0;
  std::vector<std::string> errorRecordFields;  // fields 1..n of the error record, if any
};

void failNextCall(std::string_view function, unsigned error, unsigned callsToLetThrough = 0,
                  std::vector<std::string> errorRecordFields = {});
void clearFaults();

// Leaves the calling thread's last error record with fields 1..n, as a
// failed installer call does.
void leaveErrorRecord(const std::vector<std::string>& fields);

// Consumed by the stand-in's functions: the fault for this call, if one is due.
std::optional<InjectedFault> takeFault(std::string_view function);

}  // namespace standin
