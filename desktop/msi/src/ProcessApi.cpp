// Processes from Windows command lines: the program token is mapped to its
// host file (".exe" is tried when the name has no extension), the rest is
// split the way the C runtime splits it, and the child inherits the
// caller's environment and current directory. The child also finds the
// whole command line in P42R_COMMAND_LINE, as GetCommandLine would give it.
#include "KernelObjects.h"
#include "standin/CodePage.h"
#include "standin/CommandLine.h"
#include "standin/DriveMap.h"
#include "standin/FaultInjection.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr const char* kCommandLineVariable = "P42R_COMMAND_LINE=";

std::optional<std::filesystem::path> programFile(const std::string& windowsProgram) {
  const auto mapped = standin::toHostPath(windowsProgram);
  if (!mapped) {
    return std::nullopt;
  }
  struct stat status {};
  if (::stat(mapped->c_str(), &status) != 0 && !mapped->has_extension()) {
    std::filesystem::path withExtension = *mapped;
    withExtension += ".exe";
    if (::stat(withExtension.c_str(), &status) == 0) {
      return withExtension;
    }
  }
  return mapped;
}

std::vector<std::string> childEnvironment(const std::string& commandLine) {
  std::vector<std::string> variables;
  for (char** variable = environ; variable != nullptr && *variable != nullptr; ++variable) {
    if (std::strncmp(*variable, kCommandLineVariable, std::strlen(kCommandLineVariable)) != 0) {
      variables.emplace_back(*variable);
    }
  }
  variables.push_back(kCommandLineVariable + commandLine);
  return variables;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) {
    pointers.push_back(text.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

bool reap(standin::ProcessObject& process, int options) {
  int status = 0;
  pid_t done;
  do {
    done = ::waitpid(process.pid, &status, options);
  } while (done < 0 && errno == EINTR);
  if (done != process.pid) {
    return false;
  }
  process.exited = true;
  process.exitCode = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status))
                                       : static_cast<DWORD>(128 + WTERMSIG(status));
  return true;
}

}  // namespace

extern "C" BOOL WINAPI CreateProcessA(LPCSTR lpApplicationName, LPSTR lpCommandLine, LPSECURITY_ATTRIBUTES,
                                      LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID lpEnvironment, LPCSTR,
                                      LPSTARTUPINFOA lpStartupInfo, LPPROCESS_INFORMATION lpProcessInformation) {
  if (const auto fault = standin::takeFault("CreateProcessA")) {
    SetLastError(fault->error);
    return FALSE;
  }
  if (lpStartupInfo == nullptr || lpProcessInformation == nullptr || lpEnvironment != nullptr ||
      (lpApplicationName == nullptr && lpCommandLine == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::string commandLine = standin::ansiToUtf8(lpCommandLine != nullptr ? lpCommandLine : "");
  std::vector<std::string> arguments = standin::splitCommandLine(commandLine);
  const std::string program =
      lpApplicationName != nullptr ? standin::ansiToUtf8(lpApplicationName) : arguments.front();
  const auto file = programFile(program);
  if (!file || program.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  struct stat status {};
  if (::stat(file->c_str(), &status) != 0) {
    SetLastError(standin::win32ErrorFromErrno(errno));
    return FALSE;
  }
  if (!S_ISREG(status.st_mode) || ::access(file->c_str(), X_OK) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }

  std::vector<std::string> environment = childEnvironment(commandLine);
  std::vector<char*> argv = pointersTo(arguments);
  std::vector<char*> envp = pointersTo(environment);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, file->c_str(), nullptr, nullptr, argv.data(), envp.data());
  if (spawned != 0) {
    SetLastError(spawned == ENOEXEC ? ERROR_BAD_EXE_FORMAT : standin::win32ErrorFromErrno(spawned));
    return FALSE;
  }
  lpProcessInformation->hProcess = standin::addKernelObject(std::make_shared<standin::ProcessObject>(pid));
  lpProcessInformation->hThread = standin::addKernelObject(std::make_shared<standin::ThreadObject>());
  lpProcessInformation->dwProcessId = static_cast<DWORD>(pid);
  lpProcessInformation->dwThreadId = static_cast<DWORD>(pid);
  return TRUE;
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
  const auto process = standin::findKernelObjectOf<standin::ProcessObject>(hHandle);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (process->exited) {
    return WAIT_OBJECT_0;
  }
  if (dwMilliseconds == INFINITE) {
    return reap(*process, 0) ? WAIT_OBJECT_0 : WAIT_FAILED;
  }
  if (reap(*process, WNOHANG)) {
    return WAIT_OBJECT_0;
  }
  if (dwMilliseconds == 0) {
    return WAIT_TIMEOUT;
  }
  const int pidDescriptor = static_cast<int>(::syscall(SYS_pidfd_open, process->pid, 0));
  if (pidDescriptor < 0) {
    SetLastError(standin::win32ErrorFromErrno(errno));
    return WAIT_FAILED;
  }
  pollfd watched{pidDescriptor, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&watched, 1, static_cast<int>(std::min<DWORD>(dwMilliseconds, 0x7FFFFFFF)));
  } while (ready < 0 && errno == EINTR);
  ::close(pidDescriptor);
  if (ready == 0) {
    return WAIT_TIMEOUT;
  }
  return reap(*process, 0) ? WAIT_OBJECT_0 : WAIT_FAILED;
}

extern "C" BOOL WINAPI GetExitCodeProcess(HANDLE hProcess, LPDWORD lpExitCode) {
  const auto process = standin::findKernelObjectOf<standin::ProcessObject>(hProcess);
  if (!process || lpExitCode == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!process->exited) {
    reap(*process, WNOHANG);
  }
  *lpExitCode = process->exited ? process->exitCode : 259;  // STILL_ACTIVE
  return TRUE;
}
