#include "standin/CommandLine.h"

namespace standin {

namespace {

bool isBlank(char character) { return character == ' ' || character == '\t'; }

// Length of the program token, including its quotes.
std::size_t programTokenLength(std::string_view commandLine) {
  if (!commandLine.empty() && commandLine.front() == '"') {
    const auto closing = commandLine.find('"', 1);
    return closing == std::string_view::npos ? commandLine.size() : closing + 1;
  }
  std::size_t length = 0;
  while (length < commandLine.size() && !isBlank(commandLine[length])) {
    ++length;
  }
  return length;
}

}  // namespace

std::string programOfCommandLine(std::string_view commandLine) {
  const std::string_view token = commandLine.substr(0, programTokenLength(commandLine));
  if (!token.empty() && token.front() == '"') {
    const std::size_t end = token.size() > 1 && token.back() == '"' ? token.size() - 1 : token.size();
    return std::string(token.substr(1, end - 1));
  }
  return std::string(token);
}

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
  std::vector<std::string> arguments;
  arguments.push_back(programOfCommandLine(commandLine));
  std::size_t at = programTokenLength(commandLine);
  for (;;) {
    while (at < commandLine.size() && isBlank(commandLine[at])) {
      ++at;
    }
    if (at >= commandLine.size()) {
      break;
    }
    std::string argument;
    bool quoted = false;
    while (at < commandLine.size() && (quoted || !isBlank(commandLine[at]))) {
      std::size_t backslashes = 0;
      while (at < commandLine.size() && commandLine[at] == '\\') {
        ++backslashes;
        ++at;
      }
      if (at < commandLine.size() && commandLine[at] == '"') {
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          argument += '"';
        } else if (quoted && at + 1 < commandLine.size() && commandLine[at + 1] == '"') {
          argument += '"';  // "" inside quotes is a literal quote
          ++at;
        } else {
          quoted = !quoted;
        }
        ++at;
      } else {
        argument.append(backslashes, '\\');
        if (at < commandLine.size() && (quoted || !isBlank(commandLine[at]))) {
          argument += commandLine[at];
          ++at;
        }
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace standin
