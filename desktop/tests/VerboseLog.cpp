#include "VerboseLog.h"

#include <algorithm>
#include <sstream>

namespace desktoptest {

namespace {

bool startsWith(const std::string& text, const std::string& start) { return text.rfind(start, 0) == 0; }

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), std::string::npos, end) == 0;
}

bool startsAction(const std::string& line, const std::string& action) {
  return startsWith(line, "Action start ") && endsWith(line, ": " + action + ".");
}

bool endsAction(const std::string& line, const std::string& action) {
  return startsWith(line, "Action ended ") && line.find(": " + action + ". Return value ") != std::string::npos;
}

}  // namespace

std::vector<std::string> linesOf(const std::optional<std::string>& text) {
  std::vector<std::string> lines;
  std::istringstream in(text.value_or(""));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> linesOfAction(const std::vector<std::string>& log, const std::string& action) {
  std::vector<std::string> lines;
  bool inside = false;
  for (const std::string& line : log) {
    if (startsAction(line, action)) {
      inside = true;
    } else if (endsAction(line, action)) {
      inside = false;
    } else if (inside) {
      lines.push_back(line);
    }
  }
  return lines;
}

long actionStart(const std::vector<std::string>& log, const std::string& action) {
  const auto found =
      std::find_if(log.begin(), log.end(), [&](const std::string& line) { return startsAction(line, action); });
  return found == log.end() ? -1 : static_cast<long>(found - log.begin());
}

std::string propertyInLog(const std::vector<std::string>& log, const std::string& name) {
  const std::string prefix = "Property(S): " + name + " = ";
  for (const std::string& line : log) {
    if (startsWith(line, prefix)) {
      return line.substr(prefix.size());
    }
  }
  return {};
}

}  // namespace desktoptest
