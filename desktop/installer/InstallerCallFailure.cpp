#include "InstallerCallFailure.h"

#include "AnsiText.h"
#include "ScopedHandles.h"

#include <vector>

namespace desksetup {

namespace {

constexpr const char* kErrorTemplate = "Windows Installer Error [1]: [2]{, [3]}{, [4]}{, [5]}\n";
constexpr DWORD kTextBufferSize = 1024;

// {1CF2B120-547D-101B-8E65-08002B2BD119}
const IID kErrorInfoInterface = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};

std::string lastErrorText(HRESULT result) {
  ScopedMsiHandle errorRecord(MsiGetLastErrorRecord());
  if (errorRecord.get() == 0) {
    return systemMessage(result);
  }
  if (MsiRecordIsNull(errorRecord.get(), 0)) {
    const UINT setResult = MsiRecordSetStringA(errorRecord.get(), 0, kErrorTemplate);
    if (setResult != ERROR_SUCCESS) {
      raiseInstallerCallFailure(setResult, "MsiRecordSetString");
    }
  }
  std::vector<char> buffer(kTextBufferSize, '\0');
  DWORD size = kTextBufferSize;
  MsiFormatRecordA(0, errorRecord.get(), buffer.data(), &size);
  return std::string(buffer.data());
}

void publishErrorInfo(std::wstring description) {
  ICreateErrorInfo* creator = nullptr;
  HRESULT result = CreateErrorInfo(&creator);
  if (result < 0 || creator == nullptr) {
    throw com_exception(result < 0 ? result : E_UNEXPECTED, "CreateErrorInfo failed");
  }
  result = creator->SetDescription(description.data());
  if (result < 0) {
    creator->Release();
    throw com_exception(result, "ICreateErrorInfo::SetDescription failed");
  }
  IErrorInfo* errorInfo = nullptr;
  result = creator->QueryInterface(kErrorInfoInterface, reinterpret_cast<void**>(&errorInfo));
  creator->Release();
  if (result < 0 || errorInfo == nullptr) {
    throw com_exception(result < 0 ? result : E_UNEXPECTED, "QueryInterface(IErrorInfo) failed");
  }
  result = SetErrorInfo(0, errorInfo);
  errorInfo->Release();
  if (result < 0) {
    throw com_exception(result, "SetErrorInfo failed");
  }
}

}  // namespace

HRESULT hresultFromInstallerResult(UINT result) {
  HRESULT converted = static_cast<HRESULT>(result);
  if (result > 0) {
    converted = hresultFromSystemError(static_cast<DWORD>(result));
  }
  return converted >= 0 ? E_UNEXPECTED : converted;
}

HRESULT hresultFromSystemError(DWORD error) {
  return static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

std::string systemMessage(HRESULT result) {
  std::vector<char> buffer(kTextBufferSize, '\0');
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(result), 0, buffer.data(), kTextBufferSize, nullptr);
  return length == 0 ? std::string() : std::string(buffer.data(), length);
}

void raiseInstallerCallFailure(UINT result, std::string_view callName, std::string_view firstArgument,
                               std::string_view secondArgument) {
  const HRESULT converted = hresultFromInstallerResult(result);
  const std::string text = lastErrorText(converted);
  std::string description;
  if (!firstArgument.empty() && !secondArgument.empty()) {
    description = fillIn("%s%s(%s, %s)", {text, callName, firstArgument, secondArgument});
  } else if (!firstArgument.empty()) {
    description = fillIn("%s%s(%s)", {text, callName, firstArgument});
  } else {
    description = fillIn("%s%s()", {text, callName});
  }
  publishErrorInfo(toWide(description));
  throw com_exception(converted, description);
}

std::string describeSystemError(DWORD error, std::string_view callName, std::string_view path) {
  std::string text = systemMessage(hresultFromSystemError(error));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
  return fillIn("%s(%s) failed: %s", {callName, path, text});
}

void throwSystemError(DWORD error, std::string_view callName, std::string_view path) {
  throw com_exception(hresultFromSystemError(error), describeSystemError(error, callName, path));
}

}  // namespace desksetup
