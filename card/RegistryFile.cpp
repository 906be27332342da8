#include "card/RegistryFile.h"

#include "card/CardError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

namespace p42r::card {

namespace {

constexpr off_t kLargestRegistryFile = 16 * 1024 * 1024;

class FileDescriptor {
public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

private:
  int fd_;
};

void writeAll(int fd, const std::string& text, const std::string& name) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t count = ::write(fd, text.data() + written, text.size() - written);
    if (count < 0) {
      if (errno == EINTR) continue;
      throw CardError::system("write", name, errno);
    }
    written += static_cast<std::size_t>(count);
  }
}

}  // namespace

RegistryDocument readRegistryFile(const std::filesystem::path& path) {
  // Never through a link: the registry names the port the handheld talks to.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) {
    if (errno == ENOENT) return RegistryDocument();
    throw CardError::system("open", path.string(), errno);
  }
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) throw CardError::system("fstat", path.string(), errno);
  if (!S_ISREG(status.st_mode)) {
    throw CardError(CardErrorKind::InvalidInput, path.string() + " is not a regular file");
  }
  if (status.st_size > kLargestRegistryFile) {
    throw CardError(CardErrorKind::InvalidInput, path.string() + " is larger than 16 MiB");
  }
  std::string text;
  char buffer[8192];
  for (;;) {
    const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      throw CardError::system("read", path.string(), errno);
    }
    if (count == 0) break;
    text.append(buffer, static_cast<std::size_t>(count));
    if (text.size() > static_cast<std::size_t>(kLargestRegistryFile)) {
      throw CardError(CardErrorKind::InvalidInput, path.string() + " is larger than 16 MiB");
    }
  }
  try {
    return RegistryDocument::parse(text);
  } catch (const CardError& error) {
    throw CardError(CardErrorKind::InvalidInput, path.string() + ": " + error.what());
  }
}

void writeRegistryFile(const std::filesystem::path& path, const RegistryDocument& document) {
  std::string temporary = path.string() + ".XXXXXX";
  FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
  if (file.get() < 0) throw CardError::system("mkostemp", temporary, errno);
  try {
    // Keep the mode of the file being replaced; a new registry is world-readable.
    struct stat existing {};
    const mode_t mode =
        ::lstat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) ? (existing.st_mode & 07777) : 0644;
    if (::fchmod(file.get(), mode) != 0) throw CardError::system("fchmod", temporary, errno);
    writeAll(file.get(), document.serialize(), temporary);
    if (::fsync(file.get()) != 0) throw CardError::system("fsync", temporary, errno);
    if (::close(file.release()) != 0) throw CardError::system("close", temporary, errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) throw CardError::system("rename", path.string(), errno);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
}

RegistryLock::RegistryLock(const std::filesystem::path& registryPath, std::chrono::milliseconds patience) {
  // The directory itself carries the lock: the registry file is replaced by
  // rename, and a lock file would leave litter in the device root.
  std::filesystem::path directory = registryPath.parent_path();
  if (directory.empty()) directory = ".";
  const std::string name = directory.string();
  fd_ = ::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) throw CardError::system("open", name, errno);
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EWOULDBLOCK || std::chrono::steady_clock::now() >= giveUp) {
      ::close(fd_);
      if (error == EWOULDBLOCK) {
        throw CardError(CardErrorKind::SystemFailure,
                        "the registry in " + name + " stayed locked by another program for " +
                            std::to_string(patience.count()) + " ms; is another card or p42r stuck there?",
                        error);
      }
      throw CardError::system("flock", name, error);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

RegistryLock::~RegistryLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace p42r::card
