// The installer's ANSI functions over a real package: what a custom action
// sees of properties, target paths, components, views, records and
// streams, with the documented buffer rules and error codes.
#include "Win32Api.h"
#include "standin/CodePage.h"
#include "standin/InstallerSession.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace {

std::filesystem::path package(const char* name) {
  return std::filesystem::path(DESKTOP_TEST_PACKAGES) / (std::string(name) + ".msi");
}

class MsiApiTest : public testing::Test {
protected:
  void SetUp() override {
    standin::quietLibraryWarnings();
    standin::SessionSetup setup;
    setup.package = package("edges");
    setup.properties = {{"ProductName", "Set on the command line"}, {"ROOTDRIVE", "D:\\"}};
    setup.components = {{"Pair", {INSTALLSTATE_ABSENT, INSTALLSTATE_LOCAL}}};
    std::string message;
    session_ = standin::InstallerSession::open(setup, message);
    ASSERT_TRUE(session_) << message;
    install_ = session_->newInstallerHandle();
    database_ = MsiGetActiveDatabase(install_);
    ASSERT_NE(database_, 0u);
  }
  void TearDown() override {
    MsiCloseHandle(database_);
    MsiCloseHandle(install_);
  }

  // One row of a query with a single string parameter.
  MSIHANDLE fetchOne(const char* query, const char* parameter, UINT& result) {
    MSIHANDLE view = 0;
    result = MsiDatabaseOpenViewA(database_, query, &view);
    MSIHANDLE parameters = MsiCreateRecord(1);
    MsiRecordSetStringA(parameters, 1, parameter);
    if (result == ERROR_SUCCESS) result = MsiViewExecute(view, parameters);
    MSIHANDLE row = 0;
    if (result == ERROR_SUCCESS) result = MsiViewFetch(view, &row);
    MsiCloseHandle(parameters);
    MsiCloseHandle(view);
    return row;
  }

  std::unique_ptr<standin::InstallerSession> session_;
  MSIHANDLE install_ = 0;
  MSIHANDLE database_ = 0;
};

TEST_F(MsiApiTest, StringBuffersReportTheirLengthInCharactersAndAskForMoreRoom) {
  char buffer[8] = "xxxxxxx";
  DWORD size = sizeof(buffer);
  EXPECT_EQ(MsiGetPropertyA(install_, "ProductName", buffer, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 23u);
  EXPECT_STREQ(buffer, "Set on ");
  std::string value(size + 1, '\0');
  size = size + 1;
  EXPECT_EQ(MsiGetPropertyA(install_, "ProductName", value.data(), &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 23u);
  EXPECT_STREQ(value.c_str(), "Set on the command line");
  size = sizeof(buffer);
  EXPECT_EQ(MsiGetPropertyA(install_, "NOT_A_PROPERTY", buffer, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(MsiGetPropertyA(0, "ProductName", buffer, &size), ERROR_INVALID_HANDLE);
}

TEST_F(MsiApiTest, TargetPathsEndInABackslashAndAreTheDirectoriesProperties) {
  char path[256];
  DWORD size = sizeof(path);
  ASSERT_EQ(MsiGetTargetPathA(install_, "LEVEL3", path, &size), ERROR_SUCCESS);
  EXPECT_STREQ(path, "D:\\Level1\\Level2\\Level3\\");
  EXPECT_EQ(size, std::strlen(path));
  EXPECT_EQ(session_->property("LEVEL3"), "D:\\Level1\\Level2\\Level3\\");
  size = sizeof(path);
  EXPECT_EQ(MsiGetTargetPathA(install_, "NOSUCHDIR", path, &size), ERROR_DIRECTORY);
}

TEST_F(MsiApiTest, ComponentStatesComeFromThePlanAndUnknownComponentsFail) {
  INSTALLSTATE installed = INSTALLSTATE_BROKEN;
  INSTALLSTATE action = INSTALLSTATE_BROKEN;
  ASSERT_EQ(MsiGetComponentStateA(install_, "Pair", &installed, &action), ERROR_SUCCESS);
  EXPECT_EQ(installed, INSTALLSTATE_ABSENT);
  EXPECT_EQ(action, INSTALLSTATE_LOCAL);
  ASSERT_EQ(MsiGetComponentStateA(install_, "Deep", &installed, &action), ERROR_SUCCESS);
  EXPECT_EQ(action, INSTALLSTATE_UNKNOWN);
  EXPECT_EQ(MsiGetComponentStateA(install_, "NoSuchComponent", &installed, &action), ERROR_UNKNOWN_COMPONENT);
}

TEST_F(MsiApiTest, RowsReadByColumnWithNullIntegersAndTheEndOfTheView) {
  MSIHANDLE view = 0;
  ASSERT_EQ(MsiDatabaseOpenViewA(database_, "SELECT * from `SFDeskSetup` WHERE `Key` = 'KeepNull'", &view),
            ERROR_SUCCESS);
  MSIHANDLE row = 0;
  EXPECT_EQ(MsiViewFetch(view, &row), ERROR_FUNCTION_FAILED);  // not executed yet
  ASSERT_EQ(MsiViewExecute(view, 0), ERROR_SUCCESS);
  ASSERT_EQ(MsiViewFetch(view, &row), ERROR_SUCCESS);
  EXPECT_EQ(MsiRecordGetFieldCount(row), 8u);
  EXPECT_EQ(MsiRecordGetInteger(row, 7), MSI_NULL_INTEGER);
  EXPECT_TRUE(MsiRecordIsNull(row, 5));
  EXPECT_EQ(MsiRecordDataSize(row, 6), std::strlen("PlainIcon,keepnull.ico"));
  char text[4];
  DWORD size = sizeof(text);
  EXPECT_EQ(MsiRecordGetStringA(row, 1, text, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  MsiCloseHandle(row);
  MSIHANDLE end = 1;
  EXPECT_EQ(MsiViewFetch(view, &end), ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(end, 0u);
  MsiCloseHandle(view);
}

TEST_F(MsiApiTest, AQueryParameterMatchesAKeyWithAQuoteAndNothingElse) {
  UINT result = 0;
  MSIHANDLE row = fetchOne("SELECT * FROM `Binary` WHERE `Name`= ?", "Quote'Icon", result);
  ASSERT_EQ(result, ERROR_SUCCESS);
  char name[32];
  DWORD size = sizeof(name);
  MsiRecordGetStringA(row, 1, name, &size);
  EXPECT_STREQ(name, "Quote'Icon");
  MsiCloseHandle(row);
  row = fetchOne("SELECT * FROM `Binary` WHERE `Name`= ?", "NoSuchKey", result);
  EXPECT_EQ(result, ERROR_NO_MORE_ITEMS);
  EXPECT_EQ(row, 0u);
}

TEST_F(MsiApiTest, StreamsAreReadInChunksUntilAnEmptyRead) {
  UINT result = 0;
  MSIHANDLE row = fetchOne("SELECT * FROM `Binary` WHERE `Name`= ?", "Exact", result);
  ASSERT_EQ(result, ERROR_SUCCESS);
  DWORD remaining = 0;
  ASSERT_EQ(MsiRecordReadStream(row, 2, nullptr, &remaining), ERROR_SUCCESS);
  EXPECT_EQ(remaining, 10240u);
  char text[16];
  DWORD size = sizeof(text);
  EXPECT_EQ(MsiRecordGetStringA(row, 2, text, &size), ERROR_INVALID_DATATYPE);
  std::vector<char> buffer(10240);
  std::vector<DWORD> reads;
  for (;;) {
    DWORD count = 4000;
    ASSERT_EQ(MsiRecordReadStream(row, 2, buffer.data(), &count), ERROR_SUCCESS);
    reads.push_back(count);
    if (count == 0) break;
  }
  EXPECT_EQ(reads, (std::vector<DWORD>{4000, 4000, 2240, 0}));
  DWORD count = 10;
  EXPECT_EQ(MsiRecordReadStream(row, 1, buffer.data(), &count), ERROR_INVALID_DATATYPE);
  MsiCloseHandle(row);
}

TEST_F(MsiApiTest, AFailedQueryLeavesAnErrorRecordOnce) {
  MSIHANDLE view = 0;
  EXPECT_EQ(MsiDatabaseOpenViewA(database_, "SELECT * from `NoSuchTable`", &view), ERROR_BAD_QUERY_SYNTAX);
  const MSIHANDLE record = MsiGetLastErrorRecord();
  ASSERT_NE(record, 0u);
  EXPECT_EQ(MsiRecordGetInteger(record, 1), static_cast<int>(ERROR_BAD_QUERY_SYNTAX));
  MsiCloseHandle(record);
  EXPECT_EQ(MsiGetLastErrorRecord(), 0u);
}

TEST_F(MsiApiTest, MessagesAreLoggedFormattedWithTheSessionsProperties) {
  MSIHANDLE record = MsiCreateRecord(1);
  MsiRecordSetStringA(record, 1, "Files go to [INSTALLDIR]");
  MsiProcessMessage(install_, INSTALLMESSAGE_INFO, record);
  MsiRecordSetStringA(record, 0, "[1]!");
  MsiProcessMessage(install_, INSTALLMESSAGE_INFO, record);
  char formatted[64];
  DWORD size = sizeof(formatted);
  EXPECT_EQ(MsiFormatRecordA(0, record, formatted, &size), ERROR_SUCCESS);
  EXPECT_STREQ(formatted, "Files go to [INSTALLDIR]!");
  MsiCloseHandle(record);
  const auto log = session_->log();
  ASSERT_EQ(log.size(), 2u);
  EXPECT_EQ(log[0], "Files go to D:\\Edges\\");
  EXPECT_EQ(log[1], "Files go to [INSTALLDIR]!");
}

TEST_F(MsiApiTest, TextCrossesInTheAnsiCodePage) {
  ASSERT_TRUE(standin::setAnsiCodePage(932));
  const std::string japanese = "\xE3\x82\xA2\xE3\x83\x97\xE3\x83\xAA";  // "アプリ" in UTF-8
  EXPECT_EQ(standin::utf8ToAnsi(japanese), "\x83\x41\x83\x76\x83\x8A");
  EXPECT_EQ(standin::ansiToUtf8(standin::utf8ToAnsi(japanese)), japanese);
  EXPECT_EQ(standin::utf8ToAnsi("\xC3\xA9t\xC3\xA9"), "?t?");  // not in the code page
  wchar_t wide[8];
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x83\x41", 2, wide, 8), 1);
  EXPECT_EQ(wide[0], L'\x30A2');
  EXPECT_FALSE(standin::setAnsiCodePage(1));
  EXPECT_EQ(standin::ansiCodePage(), 932u);
}

}  // namespace
