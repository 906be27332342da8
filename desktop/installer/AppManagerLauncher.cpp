#include "AppManagerLauncher.h"

#include "AnsiText.h"
#include "Win32Api.h"

#include <vector>

namespace desksetup {

LaunchResult runAppManager(const std::wstring& commandLine) {
  const std::string ansi = toAnsi(commandLine);
  std::vector<char> mutableLine(ansi.begin(), ansi.end());
  mutableLine.push_back('\0');

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return LaunchResult::NotStarted;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return LaunchResult::Ran;
}

}  // namespace desksetup
