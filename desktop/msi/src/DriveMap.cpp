#include "standin/DriveMap.h"

#include <array>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

namespace standin {

namespace {

std::mutex driveLock;
std::array<std::optional<std::filesystem::path>, 26> drives;

std::optional<std::size_t> driveIndex(char letter) {
  const int upper = std::toupper(static_cast<unsigned char>(letter));
  if (upper < 'A' || upper > 'Z') {
    return std::nullopt;
  }
  return static_cast<std::size_t>(upper - 'A');
}

std::string environmentName(std::size_t index) {
  return std::string("P42R_DRIVE_") + static_cast<char>('A' + index);
}

}  // namespace

void mapDrive(char letter, const std::filesystem::path& hostFolder) {
  const auto index = driveIndex(letter);
  if (!index) {
    return;
  }
  std::lock_guard guard(driveLock);
  drives[*index] = std::filesystem::absolute(hostFolder).lexically_normal();
}

void unmapAllDrives() {
  std::lock_guard guard(driveLock);
  drives.fill(std::nullopt);
}

std::optional<std::filesystem::path> driveFolder(char letter) {
  const auto index = driveIndex(letter);
  if (!index) {
    return std::nullopt;
  }
  std::lock_guard guard(driveLock);
  return drives[*index];
}

std::optional<DrivePath> toDrivePath(std::string_view windowsPath) {
  std::string path(windowsPath);
  for (char& character : path) {
    if (character == '/') {
      character = '\\';
    }
  }
  char letter = 'C';
  std::string_view rest = path;
  if (path.size() >= 2 && path[1] == ':') {
    letter = path[0];
    rest.remove_prefix(2);
  } else if (path.rfind("\\\\", 0) == 0) {
    return std::nullopt;
  }
  auto folder = driveFolder(letter);
  if (!folder) {
    return std::nullopt;
  }
  DrivePath result{std::move(*folder), {}};
  std::vector<std::string>& parts = result.parts;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('\\', start);
    if (end == std::string_view::npos) {
      end = rest.size();
    }
    std::string part(rest.substr(start, end - start));
    if (part != "." && part != "..") {
      // Windows drops trailing dots and spaces from every part.
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) {
        part.pop_back();
      }
    }
    if (part == "..") {
      if (!parts.empty()) {
        parts.pop_back();
      }
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  return result;
}

std::optional<std::filesystem::path> toHostPath(std::string_view windowsPath) {
  const auto drivePath = toDrivePath(windowsPath);
  if (!drivePath) {
    return std::nullopt;
  }
  std::filesystem::path host = drivePath->folder;
  for (const std::string& part : drivePath->parts) {
    host /= part;
  }
  return host;
}

void exportDrivesToEnvironment() {
  std::lock_guard guard(driveLock);
  for (std::size_t index = 0; index < drives.size(); ++index) {
    const std::string name = environmentName(index);
    if (drives[index]) {
      setenv(name.c_str(), drives[index]->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }
}

void loadDrivesFromEnvironment() {
  std::lock_guard guard(driveLock);
  for (std::size_t index = 0; index < drives.size(); ++index) {
    const char* value = std::getenv(environmentName(index).c_str());
    if (value != nullptr && *value != '\0') {
      drives[index] = std::filesystem::path(value);
    } else {
      drives[index].reset();
    }
  }
}

}  // namespace standin
