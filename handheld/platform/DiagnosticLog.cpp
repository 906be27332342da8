#include "platform/DiagnosticLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "platform/TextConversion.h"

namespace p42r::platform {

DiagnosticLog::~DiagnosticLog() { close(); }

bool DiagnosticLog::open(const std::filesystem::path& path) {
  std::lock_guard lock(mutex_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  // The log shows the card's traffic: its owner's alone, whatever the umask
  // (a log someone else owns keeps its mode; it is still appended to). Only a
  // regular file at the path itself is written: a link, a FIFO or a device
  // put there leaves the log off.
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK,
                        0600);
  if (fd < 0) return false;
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(fd);
    return false;
  }
  if (status.st_uid == ::geteuid()) (void)::fchmod(fd, 0600);
  if ((file_ = ::fdopen(fd, "ab")) == nullptr) {
    ::close(fd);
    return false;
  }
  return true;
}

void DiagnosticLog::close() {
  std::lock_guard lock(mutex_);
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

bool DiagnosticLog::isOpen() const {
  std::lock_guard lock(mutex_);
  return file_ != nullptr;
}

std::string DiagnosticLog::timestamp() const {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(clock_.wallNow());
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  const std::size_t length = std::strftime(text, sizeof text, "(%Y/%m/%d %H:%M:%S)", &local);
  return std::string(text, length);
}

void DiagnosticLog::line(std::u16string_view text) {
  if (!isOpen()) return;
  write(timestamp() + ToUtf8(text) + "\r\n");
}

void DiagnosticLog::stamped(std::u16string_view text) {
  if (!isOpen()) return;
  write(timestamp() + ToUtf8(text));
}

void DiagnosticLog::raw(std::u16string_view text) {
  if (!isOpen()) return;
  write(ToUtf8(text));
}

void DiagnosticLog::write(const std::string& bytes) {
  std::lock_guard lock(mutex_);
  if (file_ == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), file_);
  std::fflush(file_);
}

}  // namespace p42r::platform
