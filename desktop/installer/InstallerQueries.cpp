#include "InstallerQueries.h"

#include "InstallerCallFailure.h"

#include <functional>
#include <vector>

namespace desksetup {

namespace {

constexpr DWORD kValueBufferSize = 1024;
// A value longer than this is no path or name; it stays unread.
constexpr DWORD kLongestValue = 1024 * 1024;

}  // namespace

// Nearly every value fits the first buffer. A longer one is reported as
// ERROR_MORE_DATA with its length, and read again whole: a long path is a
// path, not an empty value. The length is doubled because an ANSI call may
// count a double-byte text in characters rather than bytes.
InstallerValue readInstallerString(DWORD firstSize, const std::function<UINT(char*, DWORD*)>& read) {
  std::vector<char> buffer(firstSize, '\0');
  DWORD size = firstSize;
  InstallerValue value;
  value.result = read(buffer.data(), &size);
  if (value.result == ERROR_MORE_DATA && size < kLongestValue) {
    size = 2 * size + 1;
    buffer.assign(size, '\0');
    value.result = read(buffer.data(), &size);
  }
  if (value.result == ERROR_SUCCESS) {
    value.text.assign(buffer.data(), size);
  }
  return value;
}

InstallerValue targetPathOf(MSIHANDLE install, const std::string& directoryKey) {
  return readInstallerString(kValueBufferSize, [&](char* buffer, DWORD* size) {
    return MsiGetTargetPathA(install, directoryKey.c_str(), buffer, size);
  });
}

InstallerValue propertyOf(MSIHANDLE install, const std::string& name) {
  return readInstallerString(kValueBufferSize,
                             [&](char* buffer, DWORD* size) { return MsiGetPropertyA(install, name.c_str(), buffer, size); });
}

std::string directoryPropertyOf(MSIHANDLE install, const std::string& directoryKey) {
  InstallerValue value = propertyOf(install, directoryKey);
  if (value.result != ERROR_SUCCESS) {
    raiseInstallerCallFailure(value.result, "MsiGetProperty", directoryKey);
  }
  return value.text;
}

ComponentStates componentStatesOf(MSIHANDLE install, const std::string& component) {
  ComponentStates states;
  if (MsiGetComponentStateA(install, component.c_str(), &states.installed, &states.action) != ERROR_SUCCESS) {
    return ComponentStates{};
  }
  return states;
}

}  // namespace desksetup
