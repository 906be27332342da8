#include "platform/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <sys/random.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace p42r::platform {

namespace fs = std::filesystem;

namespace {

constexpr const char* kAttributeName = "user.p42r.attributes";
constexpr std::string_view kHiddenValue = "hidden";

FileError ErrorOf(int code, std::string operation, const fs::path& path) {
  return FileError{code, std::move(operation), path};
}

FileError LastErrorOf(std::string operation, const fs::path& path) { return ErrorOf(errno, std::move(operation), path); }

// Extended attributes that this file system cannot keep are not an error:
// the attribute is then simply not recorded.
bool AttributesUnsupported(int code) { return code == ENOTSUP || code == EPERM || code == ENOSYS; }

// An open descriptor that closes itself.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Opens an existing regular file for reading; a directory is refused.
FileResult<int> OpenForReading(const fs::path& path, const std::string& operation) {
  int fd = -1;
  do {
    // Never through a link, and never waiting on a FIFO someone put there.
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return LastErrorOf(operation, path);
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    FileError error = LastErrorOf(operation, path);
    ::close(fd);
    return error;
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    return ErrorOf(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, operation, path);
  }
  return fd;
}

class HostOutputFile final : public OutputFile {
 public:
  HostOutputFile(int fd, fs::path path) : fd_(fd), path_(std::move(path)) {}

  FileStatus write(std::string_view bytes) override {
    if (fd_.get() < 0) return ErrorOf(EBADF, "write", path_);
    while (!bytes.empty()) {
      const ssize_t written = ::write(fd_.get(), bytes.data(), bytes.size());
      if (written < 0) {
        if (errno == EINTR) continue;
        return LastErrorOf("write", path_);
      }
      if (written == 0) return ErrorOf(ENOSPC, "write", path_);
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return std::nullopt;
  }

  FileStatus flush() override {
    if (fd_.get() < 0) return ErrorOf(EBADF, "flush", path_);
    if (::fsync(fd_.get()) != 0) return LastErrorOf("flush", path_);
    return std::nullopt;
  }

  FileStatus close() override {
    const int fd = fd_.release();
    if (fd < 0) return ErrorOf(EBADF, "close", path_);
    // The descriptor is gone after close even when it reports a failure.
    if (::close(fd) != 0 && errno != EINTR) return LastErrorOf("close", path_);
    return std::nullopt;
  }

 private:
  Descriptor fd_;
  fs::path path_;
};

}  // namespace

std::string FileError::describe() const {
  return operation + " " + path.string() + ": " + std::strerror(code);
}

fs::path PendingPath(const fs::path& target) {
  static std::atomic<std::uint64_t> writes{0};
  // A name nobody can guess ahead, so nobody can put a file there first;
  // the count keeps it unique even if the random source should fail.
  std::uint64_t random = 0;
  if (::getrandom(&random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) random = 0;
  char suffix[40];
  std::snprintf(suffix, sizeof suffix, ".new-%d-%llu-%016llx", static_cast<int>(::getpid()),
                static_cast<unsigned long long>(++writes), static_cast<unsigned long long>(random));
  fs::path pending = target;
  pending += suffix;
  return pending;
}

FileStatus ReplaceFileContent(FileSystem& files, const fs::path& target, std::string_view content,
                              FileAttribute attribute, ExistingFile existing) {
  const fs::path pending = PendingPath(target);
  auto created = files.create(pending, attribute);
  if (!created) return created.error();
  OutputFile& file = *created.value();

  FileStatus failure = file.write(content);
  if (!failure) failure = file.flush();
  if (FileStatus closed = file.close(); !failure) failure = std::move(closed);
  if (!failure) failure = files.rename(pending, target, existing);
  if (failure) {
    // The target was never touched; only the incomplete copy goes.
    files.remove(pending);
    return failure;
  }
  // The new content is in place and readable; a directory that cannot be
  // synced only makes the rename less certain to survive a power loss.
  files.syncDirectory(target.parent_path());
  return std::nullopt;
}

// --- HostFileSystem ---

FileResult<std::uint64_t> HostFileSystem::size(const fs::path& path) {
  auto opened = OpenForReading(path, "size");
  if (!opened) return opened.error();
  const Descriptor fd(opened.value());
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return LastErrorOf("size", path);
  return static_cast<std::uint64_t>(info.st_size);
}

FileResult<std::string> HostFileSystem::readAll(const fs::path& path) {
  auto opened = OpenForReading(path, "read");
  if (!opened) return opened.error();
  const Descriptor fd(opened.value());
  std::string content;
  char chunk[4096];
  for (;;) {
    const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return LastErrorOf("read", path);
    }
    if (got == 0) break;
    content.append(chunk, static_cast<std::size_t>(got));
    if (content.size() > kLargestReadableFile) {
      errno = EFBIG;
      return LastErrorOf("read", path);
    }
  }
  return content;
}

FileResult<std::unique_ptr<OutputFile>> HostFileSystem::create(const fs::path& path, FileAttribute attribute) {
  int fd = -1;
  do {
    // Always a new file: whatever is at the path (a file, a link to one) is
    // never truncated or written through.
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return LastErrorOf("create", path);
  Descriptor owned(fd);
  // The handheld's files are its owner's alone, whatever the umask; a file
  // replaced by rename keeps the mode of the copy made here.
  if (::fchmod(fd, 0600) != 0) return LastErrorOf("create", path);
  int result = 0;
  if (attribute == FileAttribute::Hidden) {
    result = ::fsetxattr(fd, kAttributeName, kHiddenValue.data(), kHiddenValue.size(), 0);
  } else {
    result = ::fremovexattr(fd, kAttributeName);
    if (result != 0 && errno == ENODATA) result = 0;
  }
  if (result != 0 && !AttributesUnsupported(errno)) return LastErrorOf("create", path);
  return std::unique_ptr<OutputFile>(std::make_unique<HostOutputFile>(owned.release(), path));
}

FileResult<FileAttribute> HostFileSystem::attribute(const fs::path& path) {
  char value[16] = {};
  const ssize_t length = ::getxattr(path.c_str(), kAttributeName, value, sizeof value);
  if (length >= 0) {
    return std::string_view(value, static_cast<std::size_t>(length)) == kHiddenValue ? FileAttribute::Hidden
                                                                                      : FileAttribute::Normal;
  }
  if (errno == ENODATA || errno == ERANGE || AttributesUnsupported(errno)) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return LastErrorOf("attribute", path);
    return FileAttribute::Normal;
  }
  return LastErrorOf("attribute", path);
}

FileStatus HostFileSystem::rename(const fs::path& from, const fs::path& to, ExistingFile existing) {
  if (existing == ExistingFile::Replace) {
    if (::rename(from.c_str(), to.c_str()) != 0) return LastErrorOf("rename", from);
    return std::nullopt;
  }
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return std::nullopt;
  if (errno != EINVAL && errno != ENOSYS) return LastErrorOf("rename", from);
  // A file system without the no-replace rename: a hard link fails the same
  // way when the target exists.
  if (::link(from.c_str(), to.c_str()) != 0) return LastErrorOf("rename", from);
  ::unlink(from.c_str());
  return std::nullopt;
}

FileStatus HostFileSystem::remove(const fs::path& path) {
  if (::unlink(path.c_str()) != 0) return LastErrorOf("remove", path);
  return std::nullopt;
}

FileStatus HostFileSystem::syncDirectory(const fs::path& directory) {
  const fs::path target = directory.empty() ? fs::path(".") : directory;
  const Descriptor fd(::open(target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0) return LastErrorOf("sync", target);
  if (::fsync(fd.get()) != 0 && errno != EINVAL) return LastErrorOf("sync", target);
  return std::nullopt;
}

}  // namespace p42r::platform
