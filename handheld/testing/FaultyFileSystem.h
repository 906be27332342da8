// A file system that fails when a test says so: it wraps another one (the
// host's, by default) and makes the calls chosen in its FileFaults fail the
// way a full disk, a removed card or a read-only directory would, so that
// tests reach every failure path. User-interface thread only, as files are.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Files.h"

namespace p42r::testing {

// The failures a FaultyFileSystem produces; each set value is the
// errno that every call of that kind fails with until it is cleared.
struct FileFaults {
  std::optional<int> size;    // learning a file's size
  std::optional<int> read;    // reading a whole file
  std::optional<int> create;  // a file that cannot be created
  std::optional<int> flush;
  std::optional<int> close;
  std::optional<int> rename;
  std::optional<int> remove;
  // A disk that holds only this many more bytes, counted over every write
  // through this file system: the write that crosses it stores what still
  // fits and then fails with ENOSPC.
  std::optional<std::uint64_t> diskSpace;
};

class FaultyFileSystem final : public platform::FileSystem {
 public:
  // Over a HostFileSystem of its own.
  FaultyFileSystem();
  // Over `inner`, which must outlive this object.
  explicit FaultyFileSystem(platform::FileSystem& inner);
  ~FaultyFileSystem() override;

  FileFaults& faults() { return faults_; }
  // Clears every fault.
  void heal() { faults_ = FileFaults{}; }

  platform::FileResult<std::uint64_t> size(const std::filesystem::path& path) override;
  platform::FileResult<std::string> readAll(const std::filesystem::path& path) override;
  platform::FileResult<std::unique_ptr<platform::OutputFile>> create(const std::filesystem::path& path,
                                                                     platform::FileAttribute attribute) override;
  platform::FileResult<platform::FileAttribute> attribute(const std::filesystem::path& path) override;
  platform::FileStatus rename(const std::filesystem::path& from, const std::filesystem::path& to,
                              platform::ExistingFile existing) override;
  platform::FileStatus remove(const std::filesystem::path& path) override;
  platform::FileStatus syncDirectory(const std::filesystem::path& directory) override;

 private:
  class FaultyOutputFile;

  std::unique_ptr<platform::FileSystem> ownInner_;
  platform::FileSystem& inner_;
  FileFaults faults_;
};

}  // namespace p42r::testing
