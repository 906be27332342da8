#include "testing/FaultyFileSystem.h"

#include <algorithm>
#include <cerrno>

namespace p42r::testing {

namespace fs = std::filesystem;

namespace {

platform::FileError ErrorOf(int code, std::string operation, const fs::path& path) {
  return platform::FileError{code, std::move(operation), path};
}

}  // namespace

class FaultyFileSystem::FaultyOutputFile final : public platform::OutputFile {
 public:
  FaultyOutputFile(std::unique_ptr<platform::OutputFile> inner, FileFaults& faults, fs::path path)
      : inner_(std::move(inner)), faults_(faults), path_(std::move(path)) {}

  platform::FileStatus write(std::string_view bytes) override {
    if (!faults_.diskSpace) return inner_->write(bytes);
    std::uint64_t& space = *faults_.diskSpace;
    const std::size_t fits = static_cast<std::size_t>(std::min<std::uint64_t>(space, bytes.size()));
    if (platform::FileStatus failed = inner_->write(bytes.substr(0, fits))) return failed;
    space -= fits;
    if (fits < bytes.size()) return ErrorOf(ENOSPC, "write", path_);
    return std::nullopt;
  }

  platform::FileStatus flush() override {
    if (faults_.flush) return ErrorOf(*faults_.flush, "flush", path_);
    return inner_->flush();
  }

  platform::FileStatus close() override {
    platform::FileStatus closed = inner_->close();
    if (faults_.close) return ErrorOf(*faults_.close, "close", path_);
    return closed;
  }

 private:
  std::unique_ptr<platform::OutputFile> inner_;
  FileFaults& faults_;
  fs::path path_;
};

FaultyFileSystem::FaultyFileSystem() : ownInner_(std::make_unique<platform::HostFileSystem>()), inner_(*ownInner_) {}

FaultyFileSystem::FaultyFileSystem(platform::FileSystem& inner) : inner_(inner) {}

FaultyFileSystem::~FaultyFileSystem() = default;

platform::FileResult<std::uint64_t> FaultyFileSystem::size(const fs::path& path) {
  if (faults_.size) return ErrorOf(*faults_.size, "size", path);
  return inner_.size(path);
}

platform::FileResult<std::string> FaultyFileSystem::readAll(const fs::path& path) {
  if (faults_.read) return ErrorOf(*faults_.read, "read", path);
  return inner_.readAll(path);
}

platform::FileResult<std::unique_ptr<platform::OutputFile>> FaultyFileSystem::create(
    const fs::path& path, platform::FileAttribute attribute) {
  if (faults_.create) return ErrorOf(*faults_.create, "create", path);
  auto created = inner_.create(path, attribute);
  if (!created) return created.error();
  return std::unique_ptr<platform::OutputFile>(
      std::make_unique<FaultyOutputFile>(std::move(created.value()), faults_, path));
}

platform::FileResult<platform::FileAttribute> FaultyFileSystem::attribute(const fs::path& path) {
  return inner_.attribute(path);
}

platform::FileStatus FaultyFileSystem::rename(const fs::path& from, const fs::path& to,
                                              platform::ExistingFile existing) {
  if (faults_.rename) return ErrorOf(*faults_.rename, "rename", from);
  return inner_.rename(from, to, existing);
}

platform::FileStatus FaultyFileSystem::remove(const fs::path& path) {
  if (faults_.remove) return ErrorOf(*faults_.remove, "remove", path);
  return inner_.remove(path);
}

platform::FileStatus FaultyFileSystem::syncDirectory(const fs::path& directory) {
  return inner_.syncDirectory(directory);
}

}  // namespace p42r::testing
