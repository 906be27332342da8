#include "platform/Files.h"
#include "testing/FaultyFileSystem.h"

#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <cerrno>
#include <algorithm>
#include <fstream>
#include <functional>
#include <utility>

namespace p42r::platform {
namespace {

namespace fs = std::filesystem;

struct FilesFixture : ::testing::Test {
  fs::path directory;
  HostFileSystem host;
  testing::FaultyFileSystem faulty{host};

  void SetUp() override {
    char pattern[] = "/tmp/p42r-files-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    directory = pattern;
  }
  void TearDown() override { fs::remove_all(directory); }

  void Put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::string Content(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  bool HostKeepsAttributes() {
    const fs::path probe = directory / "probe";
    Put(probe, "");
    const bool kept = ::setxattr(probe.c_str(), "user.p42r.probe", "1", 1, 0) == 0;
    fs::remove(probe);
    return kept;
  }
};

TEST_F(FilesFixture, SizeAndReadGiveTheBytesOfAnExistingFileOnly) {
  const std::string bytes("a\r\nb\0c\xff", 7);
  Put(directory / "f", bytes);
  ASSERT_TRUE(host.size(directory / "f"));
  EXPECT_EQ(host.size(directory / "f").value(), 7u);
  ASSERT_TRUE(host.readAll(directory / "f"));
  EXPECT_EQ(host.readAll(directory / "f").value(), bytes);

  const auto missing = host.size(directory / "missing");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().code, ENOENT);
  EXPECT_EQ(missing.error().operation, "size");
  EXPECT_EQ(missing.error().describe(), "size " + (directory / "missing").string() + ": No such file or directory");
  EXPECT_EQ(host.readAll(directory).error().code, EISDIR) << "a directory is not a file";
}

TEST_F(FilesFixture, CreateMakesOnlyNewFilesAndRecordsTheHiddenAttribute) {
  auto created = host.create(directory / "f", FileAttribute::Hidden);
  ASSERT_TRUE(created);
  EXPECT_EQ(created.value()->write("new"), std::nullopt);
  EXPECT_EQ(created.value()->flush(), std::nullopt);
  EXPECT_EQ(created.value()->close(), std::nullopt);
  EXPECT_EQ(Content(directory / "f"), "new");
  EXPECT_NE(created.value()->write("late"), std::nullopt) << "a closed file takes nothing";

  // Whatever is at the path already is never truncated or written through.
  Put(directory / "victim", "someone else's");
  fs::create_symlink(directory / "victim", directory / "link");
  for (const char* taken : {"f", "victim", "link"}) {
    const auto refused = host.create(directory / taken, FileAttribute::Normal);
    ASSERT_FALSE(refused) << taken;
    EXPECT_EQ(refused.error().code, EEXIST) << taken;
  }
  EXPECT_EQ(Content(directory / "victim"), "someone else's");
  EXPECT_EQ(host.readAll(directory / "link").error().code, ELOOP) << "reads do not follow a link either";

  if (!HostKeepsAttributes()) GTEST_SKIP() << "this host file system keeps no extended attributes";
  EXPECT_EQ(host.attribute(directory / "f").value(), FileAttribute::Hidden);
  auto plain = host.create(directory / "g", FileAttribute::Normal);
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain.value()->close(), std::nullopt);
  EXPECT_EQ(host.attribute(directory / "g").value(), FileAttribute::Normal);
  EXPECT_EQ(host.attribute(directory / "missing").error().code, ENOENT);
}

TEST_F(FilesFixture, ReplacingContentLeavesOnlyTheNewFile) {
  Put(directory / "data.ini", "old");
  EXPECT_EQ(ReplaceFileContent(faulty, directory / "data.ini", "new content", FileAttribute::Hidden), std::nullopt);
  EXPECT_EQ(Content(directory / "data.ini"), "new content");
  EXPECT_EQ(Names(), std::vector<std::string>{"data.ini"});
  if (HostKeepsAttributes()) {
    EXPECT_EQ(host.attribute(directory / "data.ini").value(), FileAttribute::Hidden);
  }

  // A link at the target is replaced, its target left as it was.
  Put(directory / "victim", "theirs");
  fs::create_symlink(directory / "victim", directory / "linked.ini");
  EXPECT_EQ(ReplaceFileContent(faulty, directory / "linked.ini", "ours", FileAttribute::Normal), std::nullopt);
  EXPECT_EQ(Content(directory / "victim"), "theirs");
  EXPECT_FALSE(fs::is_symlink(directory / "linked.ini"));
  fs::remove(directory / "victim");
  fs::remove(directory / "linked.ini");

  // Into a directory that does not exist: nothing appears anywhere.
  const auto failed = ReplaceFileContent(faulty, directory / "none" / "x", "y", FileAttribute::Normal);
  ASSERT_TRUE(failed.has_value());
  EXPECT_EQ(failed->code, ENOENT);
  EXPECT_EQ(failed->operation, "create");
}

TEST_F(FilesFixture, EveryFailureOnTheWayKeepsTheOldContentAndRemovesTheCopy) {
  const fs::path target = directory / "data.ini";
  struct Case {
    const char* name;
    std::function<void(testing::FileFaults&)> inject;
    int code;
    const char* operation;
  };
  const std::vector<Case> cases = {
      {"create", [](testing::FileFaults& f) { f.create = EACCES; }, EACCES, "create"},
      {"disk full halfway", [](testing::FileFaults& f) { f.diskSpace = 5; }, ENOSPC, "write"},
      {"disk already full", [](testing::FileFaults& f) { f.diskSpace = 0; }, ENOSPC, "write"},
      {"flush", [](testing::FileFaults& f) { f.flush = EIO; }, EIO, "flush"},
      {"close", [](testing::FileFaults& f) { f.close = EIO; }, EIO, "close"},
      {"rename", [](testing::FileFaults& f) { f.rename = EXDEV; }, EXDEV, "rename"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put(target, "previous content");
    c.inject(faulty.faults());
    const auto failed = ReplaceFileContent(faulty, target, "the new content, longer than five bytes",
                                           FileAttribute::Hidden);
    faulty.heal();
    ASSERT_TRUE(failed.has_value());
    EXPECT_EQ(failed->code, c.code);
    EXPECT_EQ(failed->operation, c.operation);
    EXPECT_EQ(Content(target), "previous content");
    EXPECT_EQ(Names(), std::vector<std::string>{"data.ini"}) << "the incomplete copy is removed";
  }
}

TEST_F(FilesFixture, AFullDiskTakesWhatFitsThenRefusesTheRest) {
  faulty.faults().diskSpace = 4;
  auto created = faulty.create(directory / "f", FileAttribute::Normal);
  ASSERT_TRUE(created);
  EXPECT_EQ(created.value()->write("ab"), std::nullopt);
  const auto failed = created.value()->write("cdef");
  ASSERT_TRUE(failed.has_value());
  EXPECT_EQ(failed->code, ENOSPC);
  EXPECT_EQ(created.value()->close(), std::nullopt);
  EXPECT_EQ(Content(directory / "f"), "abcd");
  EXPECT_EQ(*faulty.faults().diskSpace, 0u);
}

TEST_F(FilesFixture, KeepingAnExistingFileNeverTouchesIt) {
  const fs::path target = directory / "data.ini";
  EXPECT_EQ(ReplaceFileContent(host, target, "first", FileAttribute::Normal, ExistingFile::Keep), std::nullopt);
  EXPECT_EQ(Content(target), "first");
  const auto kept = ReplaceFileContent(host, target, "second", FileAttribute::Normal, ExistingFile::Keep);
  ASSERT_TRUE(kept.has_value());
  EXPECT_EQ(kept->code, EEXIST);
  EXPECT_EQ(Content(target), "first");
  EXPECT_EQ(Names(), std::vector<std::string>{"data.ini"});
}

// Forwards to the host and lets a second writer run in the middle of the
// first one's write: right after the first pending copy is created.
struct InterleavingFileSystem final : FileSystem {
  HostFileSystem host;
  std::function<void()> afterFirstCreate;

  FileResult<std::uint64_t> size(const fs::path& path) override { return host.size(path); }
  FileResult<std::string> readAll(const fs::path& path) override { return host.readAll(path); }
  FileResult<std::unique_ptr<OutputFile>> create(const fs::path& path, FileAttribute attribute) override {
    auto created = host.create(path, attribute);
    if (auto other = std::exchange(afterFirstCreate, nullptr)) other();
    return created;
  }
  FileResult<FileAttribute> attribute(const fs::path& path) override { return host.attribute(path); }
  FileStatus rename(const fs::path& from, const fs::path& to, ExistingFile existing) override {
    return host.rename(from, to, existing);
  }
  FileStatus remove(const fs::path& path) override { return host.remove(path); }
  FileStatus syncDirectory(const fs::path& path) override { return host.syncDirectory(path); }
};

TEST_F(FilesFixture, TwoWritersAtOnceNeverWriteIntoEachOthersCopy) {
  // Two starts of the program create the same missing file at the same time.
  const fs::path target = directory / "data.ini";
  InterleavingFileSystem files;
  FileStatus second;
  files.afterFirstCreate = [&] {
    second = ReplaceFileContent(files, target, "written by the second", FileAttribute::Normal, ExistingFile::Keep);
  };
  const FileStatus first =
      ReplaceFileContent(files, target, "the first writer's longer content", FileAttribute::Normal, ExistingFile::Keep);
  EXPECT_EQ(second, std::nullopt);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->code, EEXIST) << "the first finds the file there, not its copy gone: " << first->describe();
  EXPECT_EQ(Content(target), "written by the second") << "whole, and not overwritten through a shared copy";
  EXPECT_EQ(Names(), std::vector<std::string>{"data.ini"});
  EXPECT_NE(PendingPath(target), PendingPath(target)) << "every write has a copy of its own";
}

TEST_F(FilesFixture, ReadFaultsAndRemovalGoThroughTheWrapper) {
  Put(directory / "f", "x");
  faulty.faults().size = EIO;
  EXPECT_EQ(faulty.size(directory / "f").error().code, EIO);
  EXPECT_TRUE(faulty.readAll(directory / "f"));
  faulty.faults().read = EACCES;
  EXPECT_EQ(faulty.readAll(directory / "f").error().code, EACCES);
  faulty.heal();
  EXPECT_EQ(faulty.size(directory / "f").value(), 1u);
  EXPECT_EQ(faulty.remove(directory / "f"), std::nullopt);
  EXPECT_EQ(faulty.remove(directory / "f")->code, ENOENT);
}

}  // namespace
}  // namespace p42r::platform
