// Files kept in memory, for tests that write and read thousands of times
// and care about the bytes, not about the disk.
#pragma once

#include <cerrno>
#include <map>

#include "platform/Files.h"

namespace p42r::testing {

class MemoryFileSystem final : public platform::FileSystem {
 public:
  std::map<std::filesystem::path, std::string> contents;

  platform::FileResult<std::uint64_t> size(const std::filesystem::path& path) override {
    const auto found = contents.find(path);
    if (found == contents.end()) return platform::FileError{ENOENT, "size", path};
    return static_cast<std::uint64_t>(found->second.size());
  }
  platform::FileResult<std::string> readAll(const std::filesystem::path& path) override {
    const auto found = contents.find(path);
    if (found == contents.end()) return platform::FileError{ENOENT, "read", path};
    return found->second;
  }
  platform::FileResult<std::unique_ptr<platform::OutputFile>> create(const std::filesystem::path& path,
                                                                     platform::FileAttribute) override {
    contents[path].clear();
    return std::unique_ptr<platform::OutputFile>(std::make_unique<File>(contents[path]));
  }
  platform::FileResult<platform::FileAttribute> attribute(const std::filesystem::path&) override {
    return platform::FileAttribute::Normal;
  }
  platform::FileStatus rename(const std::filesystem::path& from, const std::filesystem::path& to,
                              platform::ExistingFile existing) override {
    if (existing == platform::ExistingFile::Keep && contents.count(to) != 0) {
      return platform::FileError{EEXIST, "rename", from};
    }
    auto node = contents.extract(from);
    if (node.empty()) return platform::FileError{ENOENT, "rename", from};
    contents[to] = std::move(node.mapped());
    return std::nullopt;
  }
  platform::FileStatus remove(const std::filesystem::path& path) override {
    if (contents.erase(path) == 0) return platform::FileError{ENOENT, "remove", path};
    return std::nullopt;
  }
  platform::FileStatus syncDirectory(const std::filesystem::path&) override { return std::nullopt; }

 private:
  class File final : public platform::OutputFile {
   public:
    explicit File(std::string& content) : content_(content) {}
    platform::FileStatus write(std::string_view bytes) override {
      content_.append(bytes);
      return std::nullopt;
    }
    platform::FileStatus flush() override { return std::nullopt; }
    platform::FileStatus close() override { return std::nullopt; }

   private:
    std::string& content_;
  };
};

}  // namespace p42r::testing
