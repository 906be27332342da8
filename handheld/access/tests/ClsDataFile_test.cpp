#include "access/ClsDataFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "access/tests/DataFileTesting.h"
#include "testing/MemoryFileSystem.h"
#include "testing/HandheldHarness.h"

namespace p42r::access {
namespace {

using test::Content;
using test::Layout;
using test::Put;
using test::Scrambled;

struct DataFileFixture : ::testing::Test, testing::HandheldHarness {
  ClsDataFile dataFile{files, deviceRoot, codePage};
  std::filesystem::path managementFile = test::ManagementFile(directory.path());
  std::filesystem::path appliFile = test::ProgramDirectory(directory.path()) / "appli.ini";

  std::u16string Read(SectionKind kind, EntryKey key) {
    std::u16string value = u"untouched";
    EXPECT_TRUE(dataFile.ReadEntry(kind, key, value)) << static_cast<int>(kind) << "/" << static_cast<int>(key);
    return value;
  }
  bool Finds(SectionKind kind, EntryKey key) {
    std::u16string value = u"untouched";
    const bool found = dataFile.ReadEntry(kind, key, value);
    if (!found) {
      EXPECT_EQ(value, u"untouched") << "a failed read leaves the value alone";
    }
    return found;
  }
  std::size_t FilesInProgramDirectory() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(managementFile.parent_path())) {
      ++count;
    }
    return count;
  }
};

TEST_F(DataFileFixture, TheManagementFileIsSixLinesBesideTheProgram) {
  EXPECT_EQ(dataFile.ManagementFilePath(), u"\\Program Files\\P42R\\mng2dat.ini");
  EXPECT_EQ(dataFile.AppliFilePath(), u"\\Program Files\\P42R\\appli.ini");

  ASSERT_TRUE(dataFile.WriteManagementFile(u"abcd", u"OK", u"0"));
  EXPECT_EQ(Content(managementFile), Layout("Y6(3QPVHJ6", "OK", "0"));
  EXPECT_EQ(Read(SectionKind::Data3, EntryKey::Tag), u"abcd");
  EXPECT_EQ(Read(SectionKind::LockStatus, EntryKey::Status), u"OK");
  EXPECT_EQ(Read(SectionKind::Boot, EntryKey::FirstBoot), u"0");
  const auto attribute = files.attribute(managementFile);
  ASSERT_TRUE(attribute);
  if (attribute.value() == platform::FileAttribute::Normal) {
    std::printf("note: this file system keeps no hidden attribute\n");
  }

  ASSERT_TRUE(dataFile.WriteManagementFile(u"", u"LOCK", u"1"));
  EXPECT_EQ(Content(managementFile), Layout("", "LOCK", "1"));
  EXPECT_EQ(Read(SectionKind::Data3, EntryKey::Tag), u"");
  EXPECT_EQ(FilesInProgramDirectory(), 1u) << "nothing is left beside it";

  // Sections that are never written cannot be read, nor can keys of another section.
  EXPECT_FALSE(Finds(SectionKind::Data2, EntryKey::Tag));
  EXPECT_FALSE(Finds(SectionKind::Data1, EntryKey::Tag));
  EXPECT_FALSE(Finds(SectionKind::Data3, EntryKey::Status));
  EXPECT_FALSE(Finds(SectionKind::Boot, EntryKey::Tag));
  EXPECT_FALSE(Finds(static_cast<SectionKind>(11), EntryKey::Tag));
  EXPECT_FALSE(Finds(SectionKind::Data3, static_cast<EntryKey>(6)));
}

TEST_F(DataFileFixture, OnlyScrambledValuesAPlainLineCannotCarryAreWrittenInHex) {
  struct Case {
    std::u16string password;
    std::string tagField;
  };
  const std::vector<Case> cases = {
      {u"8a", "#00354b57515056484a36"},  // a zero, where the character equals the key's
      {u"a^", "#590a4b57515056484a36"},  // a line feed
      {u"aY", "#590d4b57515056484a36"},  // a carriage return
      {u"1a", "#09354b57515056484a36"},  // a tab at the start would be trimmed
      {u"abcdefghi?", "#59362833343631202309"},  // and one at the end
      {u"0abc", "\b5)4QPVHJ6"},          // other control characters stay in the plain line
      {u"aA", "Y\x15KWQPVHJ6"},
      {u"a]", "Y\tKWQPVHJ6"},            // white space inside is not trimmed
      {u"at", "Y KWQPVHJ6"},
      {u"d*", "\\~KWQPVHJ6"},            // backslash and tilde pass the code page as they are
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(platform::ToUtf8(c.password));
    ASSERT_TRUE(dataFile.WriteManagementFile(c.password, u"OK", u"1"));
    EXPECT_EQ(Content(managementFile), Layout(c.tagField, "OK", "1"));
    EXPECT_EQ(Read(SectionKind::Data3, EntryKey::Tag), c.password);
  }
}

TEST_F(DataFileFixture, EveryPrintablePasswordCharacterSurvivesAtEveryPositionAndLength) {
  // Each printable character at each position of passwords of every allowed
  // length, the rest random: every zero, blank and line end the scrambling
  // can produce is among them. The files live in memory: the bytes are the
  // same, and thousands of flushes to a disk would only make the test slow.
  testing::MemoryFileSystem memory;
  const ClsDataFile inMemory(memory, deviceRoot, codePage);
  std::mt19937 random(42);
  std::uniform_int_distribution<int> printable(33, 126);
  for (std::size_t length = 2; length <= 10; ++length) {
    for (std::size_t position = 0; position < length; ++position) {
      for (char16_t c = 33; c <= 126; ++c) {
        std::u16string password(length, u'a');
        for (char16_t& other : password) other = static_cast<char16_t>(printable(random));
        password[position] = c;
        ASSERT_TRUE(inMemory.WriteManagementFile(password, u"LOCK", u"1"));
        std::u16string tag;
        ASSERT_TRUE(inMemory.ReadEntry(SectionKind::Data3, EntryKey::Tag, tag));
        ASSERT_EQ(tag, password) << "length " << length << " position " << position;
      }
    }
  }
  EXPECT_EQ(memory.contents.size(), 1u) << "only the management file remains";
}

TEST_F(DataFileFixture, HandWrittenFilesReadAsTheLayoutSays) {
  struct Case {
    const char* name;
    std::string content;
    SectionKind kind;
    EntryKey key;
    std::optional<std::u16string> expected;
  };
  const std::vector<Case> cases = {
      {"the written layout", Layout("Y6(3QPVHJ6", "OK", "1"), SectionKind::Boot, EntryKey::FirstBoot, u"1"},
      {"a key after the next header", "[DATA3]\r\n[LOCK_STATUS]\r\nTAG =Y6(3QPVHJ6\r\n", SectionKind::Data3,
       EntryKey::Tag, std::nullopt},
      {"an empty value", "[DATA3]\r\nTAG =\r\n", SectionKind::Data3, EntryKey::Tag, u""},
      {"blanks around a header", "  [DATA3] \t\r\nTAG =Y6(3QPVHJ6\r\n", SectionKind::Data3, EntryKey::Tag, u"abcd"},
      {"an indented bracket line inside a section", "[DATA3]\r\n  [OTHER]\r\nTAG =Y6(3QPVHJ6\r\n",
       SectionKind::Data3, EntryKey::Tag, u"abcd"},
      {"headers are case-sensitive", "[data3]\r\nTAG =Y6(3QPVHJ6\r\n", SectionKind::Data3, EntryKey::Tag,
       std::nullopt},
      {"the key anywhere in its line, the value trimmed", "[DATA3]\r\nold TAG =  Y6(3QPVHJ6 \r\n",
       SectionKind::Data3, EntryKey::Tag, u"abcd"},
      {"bare line feeds", "[DATA3]\nTAG =Y6(3QPVHJ6\n", SectionKind::Data3, EntryKey::Tag, u"abcd"},
      {"no line end at all", "[LOCK_STATUS]\r\nSTATUS =LOCK", SectionKind::LockStatus, EntryKey::Status, u"LOCK"},
      {"plain values are not unscrambled", "[LOCK_STATUS]\r\nSTATUS =Y6(3\r\n", SectionKind::LockStatus,
       EntryKey::Status, u"Y6(3"},
      {"a line ends at a zero byte", std::string("[DATA3]\r\nTAG =Y6\0(3QPVHJ6\r\n", 28), SectionKind::Data3,
       EntryKey::Tag, u"ab"},
      {"characters past the tenth are ignored", "[DATA3]\r\nTAG =Y6(3QPVHJ6Z6(3\r\n", SectionKind::Data3,
       EntryKey::Tag, u"abcd"},
      {"the hex form an earlier version wrote for a plain value", "[DATA3]\r\nTAG =#08352934515056484a36\r\n",
       SectionKind::Data3, EntryKey::Tag, u"0abc"},
      {"the hex form in capitals", "[DATA3]\r\nTAG =#590A4B57515056484A36\r\n", SectionKind::Data3, EntryKey::Tag,
       u"a^"},
      {"a short scrambled text", "[DATA3]\r\nTAG =Y6(\r\n", SectionKind::Data3, EntryKey::Tag, u"abc"},
      {"a mark without hex digits is a plain value", "[DATA3]\r\nTAG =#zzzzzzzzzzzzzzzzzzzz\r\n", SectionKind::Data3,
       EntryKey::Tag, u"\u001b\u002e\u0031\u002d\u002b\u002a\u002c\u0032\u0030\u004c"},
      {"a line longer than a read is read in pieces",
       "[DATA3]\r\n" + std::string(200, 'x') + "[X]TAG =Y6(3QPVHJ6\r\n", SectionKind::Data3, EntryKey::Tag,
       std::nullopt},
      {"the first of two sections counts", "[BOOT]\r\n[DATA3]\r\n[BOOT]\r\nFIRST_BOOT =1\r\n", SectionKind::Boot,
       EntryKey::FirstBoot, std::nullopt},
      {"an empty file", "", SectionKind::Data3, EntryKey::Tag, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put(managementFile, c.content);
    std::u16string value = u"untouched";
    const bool found = dataFile.ReadEntry(c.kind, c.key, value);
    ASSERT_EQ(found, c.expected.has_value());
    EXPECT_EQ(value, c.expected.value_or(u"untouched"));
  }
}

TEST_F(DataFileFixture, AppliIniIsReadInTheCodePageAndNeverUnscrambled) {
  Put(appliFile, "[BREW_APPLI1]\r\nTAG =Y6(3\r\n[BREW_APPLI6]\r\nDISPLAY_NAME =" + codePage.toAnsi(u"アプリ一覧") +
                     "\r\nDISPLAY_FLAG =1\r\n");
  EXPECT_EQ(Read(SectionKind::BrewAppli1, EntryKey::Tag), u"Y6(3");
  EXPECT_EQ(Read(SectionKind::BrewAppli6, EntryKey::DisplayName), u"アプリ一覧");
  EXPECT_EQ(Read(SectionKind::BrewAppli6, EntryKey::DisplayFlag), u"1");
  EXPECT_FALSE(Finds(SectionKind::BrewAppli2, EntryKey::Tag));
  EXPECT_FALSE(Finds(SectionKind::Data3, EntryKey::Tag)) << "the management file is another file";
}

TEST_F(DataFileFixture, RewritingOneFlagLeavesTheOtherLinesAsTheyWere) {
  ASSERT_TRUE(dataFile.WriteManagementFile(u"pass!", u"LOCK", u"1"));
  const std::string before = Content(managementFile);
  ASSERT_TRUE(dataFile.WriteManagementFile(Read(SectionKind::Data3, EntryKey::Tag),
                                           Read(SectionKind::LockStatus, EntryKey::Status), u"0"));
  const std::string after = Content(managementFile);
  EXPECT_EQ(after, Layout(Scrambled("pass!"), "LOCK", "0"));
  EXPECT_EQ(before.substr(0, before.size() - 3), after.substr(0, after.size() - 3));
}

TEST_F(DataFileFixture, AFailedWriteKeepsThePreviousFile) {
  ASSERT_TRUE(dataFile.WriteManagementFile(u"abcd", u"OK", u"0"));
  const std::string previous = Content(managementFile);

  files.faults().diskSpace = 30;  // the disk fills in the middle of the third line
  EXPECT_FALSE(dataFile.WriteManagementFile(u"wxyz", u"LOCK", u"1"));
  EXPECT_EQ(*files.faults().diskSpace, 0u) << "the write did fill the disk";
  EXPECT_EQ(Content(managementFile), previous);
  EXPECT_EQ(FilesInProgramDirectory(), 1u);
  files.heal();

  files.faults().create = EACCES;
  const auto refused = dataFile.WriteManagementFile(u"wxyz", u"LOCK", u"1", platform::ExistingFile::Replace);
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->code, EACCES);
  EXPECT_EQ(Content(managementFile), previous);
  files.heal();

  EXPECT_EQ(Read(SectionKind::Data3, EntryKey::Tag), u"abcd");
}

TEST_F(DataFileFixture, AFileThatCannotBeReadGivesNothing) {
  EXPECT_FALSE(Finds(SectionKind::Data3, EntryKey::Tag)) << "no file yet";
  ASSERT_TRUE(dataFile.WriteManagementFile(u"abcd", u"OK", u"0"));
  files.faults().size = EIO;
  EXPECT_FALSE(Finds(SectionKind::Data3, EntryKey::Tag));
  files.heal();
  files.faults().read = EIO;
  EXPECT_FALSE(Finds(SectionKind::Boot, EntryKey::FirstBoot));
  files.heal();
  EXPECT_TRUE(Finds(SectionKind::Boot, EntryKey::FirstBoot));
}

TEST(TagScrambling, IsItsOwnInverseOverTenKeyedPositions) {
  EXPECT_EQ(ClsDataFile::EncodeTag(u""), u"");
  EXPECT_EQ(ClsDataFile::EncodeTag(u"abcd"), u"Y6(3QPVHJ6");
  EXPECT_EQ(ClsDataFile::EncodeTag(u"abcdefghijkl"), ClsDataFile::EncodeTag(u"abcdefghij"))
      << "characters past the tenth are not stored";
  EXPECT_EQ(ClsDataFile::DecodeTag(u"Y6(3QPVHJ6"), u"abcd");
  EXPECT_EQ(ClsDataFile::DecodeTag(u"8TKWQPVHJ6"), u"") << "the key itself is the empty password";
  EXPECT_EQ(ClsDataFile::DecodeTag(ClsDataFile::EncodeTag(u"8abc")), u"8abc") << "a scrambled zero is a character";
}

}  // namespace
}  // namespace p42r::access
