// The kernel's file calls over a drive folder: share modes, dispositions
// and the error codes a caller sees.
#include "Win32Api.h"
#include "standin/DriveMap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

class FileApiTest : public testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "desksetup-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    standin::unmapAllDrives();
    standin::mapDrive('C', root_);
  }
  void TearDown() override {
    standin::unmapAllDrives();
    std::filesystem::remove_all(root_);
  }
  static HANDLE create(const char* path, DWORD share, DWORD disposition) {
    return CreateFileA(path, GENERIC_WRITE, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  static bool write(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) && written == text.size();
  }
  std::string contents(const char* relative) const {
    std::ifstream in(root_ / relative);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::filesystem::path root_;
};

TEST_F(FileApiTest, CreateAlwaysReplacesAFileAndSaysItExisted) {
  HANDLE first = create("C:\\a.txt", 0, CREATE_ALWAYS);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  ASSERT_TRUE(write(first, "a longer first text"));
  CloseHandle(first);
  HANDLE second = create("C:\\a.txt", 0, CREATE_ALWAYS);
  ASSERT_NE(second, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(write(second, "short"));
  CloseHandle(second);
  EXPECT_EQ(contents("a.txt"), "short");
  EXPECT_EQ(create("C:\\a.txt", 0, CREATE_NEW), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
}

TEST_F(FileApiTest, AFileOpenWithoutSharingRefusesOtherOpenersAndDeletionUntouched) {
  HANDLE holder = create("C:\\held.txt", 0, CREATE_ALWAYS);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(write(holder, "kept"));
  EXPECT_EQ(create("C:\\held.txt", FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(DeleteFileA("C:\\held.txt"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_EQ(contents("held.txt"), "kept");
  CloseHandle(holder);
  HANDLE shared = create("C:\\held.txt", FILE_SHARE_READ, OPEN_EXISTING);
  ASSERT_NE(shared, INVALID_HANDLE_VALUE);
  HANDLE alsoShared = create("C:\\held.txt", FILE_SHARE_READ, OPEN_EXISTING);
  EXPECT_NE(alsoShared, INVALID_HANDLE_VALUE);
  CloseHandle(alsoShared);
  CloseHandle(shared);
  EXPECT_TRUE(DeleteFileA("C:\\held.txt"));
}

TEST_F(FileApiTest, AWriteRefusesAProgramAndAFileWithOtherNamesBeforeTouchingThem) {
  std::ofstream(root_ / "program") << "#!/bin/sh";
  std::filesystem::permissions(root_ / "program", std::filesystem::perms::owner_exec, std::filesystem::perm_options::add);
  std::ofstream(root_ / "shared") << "kept";
  std::filesystem::create_hard_link(root_ / "shared", root_ / "other name");
  for (const char* path : {"C:\\program", "C:\\shared"}) {
    EXPECT_EQ(create(path, 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE) << path;
    EXPECT_EQ(GetLastError(), ERROR_CANT_ACCESS_FILE) << path;
  }
  EXPECT_EQ(contents("program"), "#!/bin/sh");
  EXPECT_EQ(contents("other name"), "kept");
}

TEST_F(FileApiTest, MissingFilesAndDirectoriesHaveTheirOwnCodes) {
  EXPECT_EQ(create("C:\\missing\\a.txt", 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(create("C:\\a.txt", 0, OPEN_EXISTING), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(create("E:\\a.txt", 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesA("C:\\missing"), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x1234)));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(FileApiTest, DirectoriesAreCreatedAndRemovedOnlyWhenEmptyAndNeverAtTheRoot) {
  EXPECT_TRUE(CreateDirectoryA("C:\\dir\\", nullptr));
  EXPECT_EQ(GetFileAttributesA("C:\\dir") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(CreateDirectoryA("C:\\dir", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(CreateDirectoryA("C:\\no\\such", nullptr));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(create("C:\\dir", 0, CREATE_ALWAYS), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  CloseHandle(create("C:\\dir\\file.txt", 0, CREATE_ALWAYS));
  EXPECT_FALSE(RemoveDirectoryA("C:\\dir"));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(DeleteFileA("C:\\dir"));
  EXPECT_TRUE(DeleteFileA("C:\\dir\\file.txt"));
  EXPECT_TRUE(RemoveDirectoryA("C:\\dir"));
  EXPECT_FALSE(RemoveDirectoryA("C:\\"));
  EXPECT_FALSE(RemoveDirectoryA("C:\\.."));
  EXPECT_TRUE(std::filesystem::is_directory(root_));
}

}  // namespace
