#include "platform/DeviceRoot.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "platform/TextConversion.h"

namespace p42r::platform {

namespace fs = std::filesystem;

DeviceRoot::DeviceRoot(fs::path directory) : directory_(std::move(directory)) {}

std::optional<std::string> DeviceRoot::prepare(bool createIfMissing) const {
  std::error_code error;
  const std::string shown = directory_.string();
  if (!fs::exists(directory_, error)) {
    if (!createIfMissing) return "device root " + shown + " does not exist";
    if (!fs::create_directories(directory_, error)) {
      return "cannot create device root " + shown + ": " + error.message();
    }
  }
  if (!fs::is_directory(directory_, error)) return "device root " + shown + " is not a directory";
  if (::access(directory_.c_str(), R_OK | W_OK | X_OK) != 0) {
    return "device root " + shown + " cannot be written";
  }
  const auto programDirectory = hostPath(moduleFileName())->parent_path();
  fs::create_directories(programDirectory, error);
  if (error) return "cannot create " + programDirectory.string() + ": " + error.message();
  fs::create_directories(lockDirectory(), error);
  if (error) return "cannot create " + lockDirectory().string() + ": " + error.message();
  return std::nullopt;
}

std::optional<fs::path> DeviceRoot::hostPath(std::u16string_view handheldPath) const {
  fs::path result = directory_;
  std::size_t start = 0;
  while (start <= handheldPath.size()) {
    std::size_t end = handheldPath.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = handheldPath.size();
    const std::u16string_view part = handheldPath.substr(start, end - start);
    if (part == u"..") return std::nullopt;
    if (!part.empty() && part != u".") {
      if (part.find(u'\0') != std::u16string_view::npos || part.find(u':') != std::u16string_view::npos) {
        return std::nullopt;
      }
      result /= ToUtf8(part);
    }
    start = end + 1;
  }
  return result;
}

fs::path DefaultDeviceRoot() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data == '/') {
    return fs::path(data) / "p42r" / "device";
  }
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr && *home != '\0' ? home : "/tmp") / ".local" / "share" / "p42r" / "device";
}

}  // namespace p42r::platform
