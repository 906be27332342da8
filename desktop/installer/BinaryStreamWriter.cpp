#include "BinaryStreamWriter.h"

#include "AnsiText.h"
#include "InstallerCallFailure.h"
#include "InstallerLog.h"
#include "LogMessages.h"
#include "ScopedHandles.h"

#include <vector>

namespace desksetup {

namespace {

constexpr DWORD kCopyBufferSize = 10240;
// Eight reads, 80 KiB: a whole number of 4 KiB pages, and small enough to
// stay in the processor cache between the read and the write.
constexpr std::size_t kWriteBlockSize = 8 * kCopyBufferSize;
constexpr const char* kBinaryRowQuery = "SELECT * FROM `Binary` WHERE `Name`= ?";

UINT fetchBinaryRow(MSIHANDLE database, const std::string& binaryKey, ScopedMsiHandle& view,
                    ScopedMsiHandle& row) {
  UINT result = MsiDatabaseOpenViewA(database, kBinaryRowQuery, view.receive());
  if (result != ERROR_SUCCESS) {
    return result;
  }
  ScopedMsiHandle parameters(MsiCreateRecord(1));
  result = MsiRecordSetStringA(parameters.get(), 1, binaryKey.c_str());
  if (result == ERROR_SUCCESS) {
    result = MsiViewExecute(view.get(), parameters.get());
  }
  if (result == ERROR_SUCCESS) {
    result = MsiViewFetch(view.get(), row.receive());
  }
  return result;
}

}  // namespace

UINT writeBinaryStream(MSIHANDLE install, MSIHANDLE database, const std::string& filePath,
                       const std::string& binaryKey) {
  ScopedMsiHandle view;
  ScopedMsiHandle row;
  const UINT fetched = fetchBinaryRow(database, binaryKey, view, row);
  if (fetched != ERROR_SUCCESS) {
    logMessage(install, fillIn(messages::kBinaryRowMissing, {binaryKey}));
    return fetched;
  }

  ScopedKernelHandle file(CreateFileA(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
      return ERROR_SUCCESS;  // in use by another program: keep it as it is
    }
    if (error == ERROR_STOPPED_ON_SYMLINK || error == ERROR_CANT_ACCESS_FILE) {
      logMessage(install, describeSystemError(error, "CreateFileA", filePath));
      return error;
    }
    throwSystemError(error, "CreateFileA", filePath);
  }

  // The stream is read 10,240 bytes at a time, and what was read is written
  // in blocks of many reads: small writes cost the file system more per byte.
  std::vector<char> buffer(kWriteBlockSize);
  std::size_t filled = 0;
  const auto writeFilled = [&] {
    const auto count = static_cast<DWORD>(filled);
    DWORD written = 0;
    filled = 0;
    if (count > 0 && (!WriteFile(file.get(), buffer.data(), count, &written, nullptr) || written != count)) {
      const DWORD error = GetLastError();
      throwSystemError(error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error, "WriteFile", filePath);
    }
  };
  for (;;) {
    if (buffer.size() - filled < kCopyBufferSize) {
      writeFilled();
    }
    DWORD count = kCopyBufferSize;
    const UINT readResult = MsiRecordReadStream(row.get(), 2, buffer.data() + filled, &count);
    if (readResult != ERROR_SUCCESS) {
      writeFilled();  // the file keeps everything read before the failure
      logMessage(install, fillIn(messages::kBinaryReadFailed, {binaryKey}));
      return readResult;
    }
    if (count == 0) {
      break;
    }
    filled += count;
  }
  writeFilled();
  return ERROR_SUCCESS;
}

}  // namespace desksetup
