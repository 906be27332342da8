#include "ProgramRun.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace desktoptest {

namespace {

// timeout(1) after ending the program, and after having to kill it.
constexpr int kTimeoutStatus = 124;
constexpr int kKilledStatus = 128 + SIGKILL;

std::vector<std::string> environmentWith(const EnvironmentChanges& changes) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const auto equals = text.find('=');
    if (equals != std::string::npos) {
      variables[text.substr(0, equals)] = text.substr(equals + 1);
    }
  }
  for (const auto& [name, value] : changes) {
    if (value) {
      variables[name] = *value;
    } else {
      variables.erase(name);
    }
  }
  std::vector<std::string> result;
  for (const auto& [name, value] : variables) {
    result.push_back(name + "=" + value);
  }
  return result;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) {
    pointers.push_back(text.data());
  }
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ProgramResult runProgram(const std::vector<std::string>& arguments, int deadlineSeconds,
                         const EnvironmentChanges& environment) {
  ProgramResult result;
  std::string outputPattern = (std::filesystem::temp_directory_path() / "desktop-run-XXXXXX").string();
  const int output = ::mkstemp(outputPattern.data());
  if (output < 0) {
    result.output = "cannot create the output file: " + std::string(std::strerror(errno));
    return result;
  }

  std::vector<std::string> command = {"timeout", "--kill-after=10", std::to_string(deadlineSeconds)};
  command.insert(command.end(), arguments.begin(), arguments.end());
  std::vector<std::string> variables = environmentWith(environment);
  auto argv = pointersTo(command);
  auto envp = pointersTo(variables);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, output);
  pid_t child = -1;
  const int spawned = ::posix_spawnp(&child, "timeout", &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(output);

  if (spawned != 0) {
    result.output = "cannot start timeout: " + std::string(std::strerror(spawned));
  } else {
    int raw = 0;
    while (::waitpid(child, &raw, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.timedOut = result.status == kTimeoutStatus || result.status == kKilledStatus;
    std::ifstream in(outputPattern, std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    result.output = contents.str();
  }
  std::filesystem::remove(outputPattern);
  return result;
}

std::string describe(const ProgramResult& result) {
  std::string text = result.timedOut ? "ended at its deadline" : "status " + std::to_string(result.status);
  return text + ", output:\n" + result.output;
}

}  // namespace desktoptest
