// The handheld's file service, on host paths (from DeviceRoot::hostPath):
// the size of a file, whole-file reads, creating and writing files, renaming,
// removing, and replacing a file's content so that a failed write leaves the
// old content as it was. Nothing throws; every failure comes back as a
// FileError that keeps the host's error code and names the call and the path.
//
// FileSystem is the interface the program uses. HostFileSystem does the work
// with POSIX calls; tests wrap it in one that fails the way a full disk, a
// removed card or a read-only directory would.
//
// The handheld's "hidden" file attribute is recorded as the extended attribute
// "user.p42r.attributes" where the host file system keeps extended attributes,
// and silently accepted where it does not.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace p42r::platform {

enum class FileAttribute : std::uint8_t { Normal, Hidden };

// What a rename does when the target already exists.
enum class ExistingFile : std::uint8_t { Replace, Keep };

struct FileError {
  int code = 0;            // the host's errno value
  std::string operation;   // "create", "write", "rename", ...
  std::filesystem::path path;

  // "write /root/Program Files/P42R/mng2dat.ini.new-4242-1: No space left on device"
  std::string describe() const;
};

// Nothing on success, else what failed.
using FileStatus = std::optional<FileError>;

// A value, or the error that kept the call from producing one.
template <typename T>
class FileResult {
 public:
  // Implicit both ways, so a function returns a value or an error alike.
  FileResult(T value) : state_(std::move(value)) {}
  FileResult(FileError error) : state_(std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  explicit operator bool() const { return ok(); }
  T& value() { return std::get<0>(state_); }
  const T& value() const { return std::get<0>(state_); }
  const FileError& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, FileError> state_;
};

// A file opened for writing by FileSystem::create. Closing is explicit so its
// result can be seen; a file dropped without close() is closed quietly.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // Writes every byte; a short write (a full disk) is an error, and the bytes
  // before it may have reached the file.
  virtual FileStatus write(std::string_view bytes) = 0;
  // Pushes what was written to the storage.
  virtual FileStatus flush() = 0;
  virtual FileStatus close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens the existing file for reading and reports its size in bytes.
  virtual FileResult<std::uint64_t> size(const std::filesystem::path& path) = 0;
  // The whole content of an existing file. The handheld's files are a few
  // kilobytes; one larger than kLargestReadableFile is refused (EFBIG)
  // rather than read into memory.
  virtual FileResult<std::string> readAll(const std::filesystem::path& path) = 0;
  // Creates a new file for writing with `attribute`; anything already at the
  // path, a link included, makes it fail (EEXIST). On the host it is
  // readable and writable by its owner only (0600).
  virtual FileResult<std::unique_ptr<OutputFile>> create(const std::filesystem::path& path,
                                                         FileAttribute attribute) = 0;
  virtual FileResult<FileAttribute> attribute(const std::filesystem::path& path) = 0;
  // Moves `from` onto `to` in one step. With ExistingFile::Keep an existing
  // `to` is left alone and the call fails with EEXIST.
  virtual FileStatus rename(const std::filesystem::path& from, const std::filesystem::path& to,
                            ExistingFile existing) = 0;
  virtual FileStatus remove(const std::filesystem::path& path) = 0;
  // Makes the directory's entries (a rename into it) durable.
  virtual FileStatus syncDirectory(const std::filesystem::path& directory) = 0;
};

// Where ReplaceFileContent writes before the new content takes the target's
// place: beside the target, under a name that no other write uses at the same
// time (the process id, a count and a random part nobody can guess ahead), so
// two writers of one file, in one process or in two, never write into each
// other's copy, and nobody can plant a file or link there first.
std::filesystem::path PendingPath(const std::filesystem::path& target);

// Gives `target` exactly `content`: writes it to a PendingPath(target), flushes
// it, and renames it onto `target` only once it is complete. On any failure
// the pending file is removed and `target` keeps what it had (with
// ExistingFile::Keep, an existing `target` is never touched at all).
FileStatus ReplaceFileContent(FileSystem& files, const std::filesystem::path& target, std::string_view content,
                              FileAttribute attribute, ExistingFile existing = ExistingFile::Replace);

inline constexpr std::size_t kLargestReadableFile = 1024 * 1024;

class HostFileSystem final : public FileSystem {
 public:
  FileResult<std::uint64_t> size(const std::filesystem::path& path) override;
  FileResult<std::string> readAll(const std::filesystem::path& path) override;
  FileResult<std::unique_ptr<OutputFile>> create(const std::filesystem::path& path,
                                                 FileAttribute attribute) override;
  FileResult<FileAttribute> attribute(const std::filesystem::path& path) override;
  FileStatus rename(const std::filesystem::path& from, const std::filesystem::path& to,
                    ExistingFile existing) override;
  FileStatus remove(const std::filesystem::path& path) override;
  FileStatus syncDirectory(const std::filesystem::path& directory) override;
};

}  // namespace p42r::platform
