// The string table against an independently written list of every id and
// text, plus the rules that whole ranges of ids follow.
#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "TestData.h"

namespace p42r::resources {
namespace {

using testing::ParseNumber;
using testing::Utf8ToUtf16;
using testing::Visible;

constexpr const char* kStringsFile = "strings.tsv";

// id -> expected text, as the data file lists them; each id exactly once.
std::map<std::uint32_t, std::u16string> ExpectedStrings() {
  std::map<std::uint32_t, std::u16string> expected;
  for (const auto& row : testing::ReadDataFile(kStringsFile)) {
    const std::string where = testing::Where(kStringsFile, row);
    if (row.fields.size() != 2) {
      ADD_FAILURE() << where << ": expected id TAB text";
      continue;
    }
    const auto id = static_cast<std::uint32_t>(ParseNumber(row.fields[0], where));
    const bool inserted = expected.emplace(id, Utf8ToUtf16(row.fields[1])).second;
    EXPECT_TRUE(inserted) << where << ": id " << id << " listed twice";
  }
  return expected;
}

std::u16string Text(std::uint32_t id) { return std::u16string(FindString(id).value_or(u"")); }

TEST(StringTable, HoldsEveryListedTextExactly) {
  const auto expected = ExpectedStrings();
  ASSERT_FALSE(expected.empty());
  for (const auto& [id, text] : expected) {
    const auto found = FindString(id);
    ASSERT_TRUE(found.has_value()) << "id " << id << " is missing";
    EXPECT_TRUE(*found == text) << "id " << id << ": table has \"" << Visible(*found)
                                << "\", expected \"" << Visible(text) << "\"";
    EXPECT_TRUE(LoadString(id) == text) << "LoadString(" << id << ")";
  }
}

TEST(StringTable, HoldsNothingBeyondTheListAndAscends) {
  const auto expected = ExpectedStrings();
  EXPECT_EQ(StringCount(), expected.size());
  for (std::size_t i = 0; i < StringCount(); ++i) {
    EXPECT_TRUE(expected.contains(StringIdAt(i))) << "unlisted id " << StringIdAt(i);
    if (i > 0) {
      EXPECT_LT(StringIdAt(i - 1), StringIdAt(i)) << "at index " << i;
    }
  }
  EXPECT_EQ(StringIdAt(StringCount()), 0u);
}

TEST(StringTable, UnknownIdsGiveNothingAndAnEmptyText) {
  const auto expected = ExpectedStrings();
  std::vector<std::uint32_t> unknown;
  for (std::uint32_t id = 0; id <= 70000; ++id) {
    if (!expected.contains(id)) {
      unknown.push_back(id);
    }
  }
  // Beyond 16 bits: an id must not be found through a truncated copy of it.
  for (const std::uint32_t id : {0x10000u + 20000u, 0x10000u + 57344u, 0xFFFFFFFFu}) {
    unknown.push_back(id);
  }
  for (const std::uint32_t id : unknown) {
    EXPECT_FALSE(FindString(id).has_value()) << "id " << id;
    EXPECT_TRUE(LoadString(id).empty()) << "id " << id;
  }
}

TEST(StringTable, RangesFollowTheirRules) {
  char buffer[16];
  // Screen codes 20000..20026 hold "  001)".."  027)".
  for (std::uint32_t k = 0; k <= 26; ++k) {
    std::snprintf(buffer, sizeof buffer, "  %03u)", k + 1);
    EXPECT_TRUE(Text(20000 + k) == Utf8ToUtf16(buffer)) << "screen code " << 20000 + k;
  }
  // Error codes 20200..20211 hold "(001".."(012".
  for (std::uint32_t k = 0; k <= 11; ++k) {
    std::snprintf(buffer, sizeof buffer, "(%03u", k + 1);
    EXPECT_TRUE(Text(20200 + k) == Utf8ToUtf16(buffer)) << "error code " << 20200 + k;
  }
  // Every screen's no-response message says the same.
  const std::u16string noResponse = Text(30203);
  EXPECT_FALSE(noResponse.empty());
  for (const std::uint32_t id :
       {30301u, 30400u, 30501u, 30602u, 30702u, 30802u, 30901u, 31001u, 31101u, 31301u}) {
    EXPECT_TRUE(Text(id) == noResponse) << "no-response id " << id;
  }
  // Update reason 22100 + k selects result 32100 + k; the failure results
  // name their reason at the end, the two completions share one text.
  for (std::uint32_t k = 0; k <= 13; ++k) {
    const std::u16string reason = Text(22100 + k);
    ASSERT_FALSE(reason.empty()) << "reason " << 22100 + k;
    if (reason == u"FUPSTOP") {
      EXPECT_TRUE(Text(32100 + k) == Text(30252));
    } else {
      EXPECT_TRUE(Text(32100 + k).ends_with(u"(" + reason + u")")) << "result " << 32100 + k;
    }
  }
  // Sixteen progress notices, each with its progress text.
  for (std::uint32_t k = 0; k <= 15; ++k) {
    EXPECT_FALSE(Text(22002 + k).empty()) << "notice " << 22002 + k;
    EXPECT_FALSE(Text(32000 + k).empty()) << "progress text " << 32000 + k;
  }
}

}  // namespace
}  // namespace p42r::resources
