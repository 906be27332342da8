// The splitting rules of cab lists and file specs.
#include "TextSplit.h"

#include <gmock/gmock.h>

using desksetup::parseFileSpec;
using desksetup::splitText;
using testing::ElementsAre;
using testing::IsEmpty;

namespace {

std::vector<std::wstring> cabItems(const wchar_t* text) { return splitText(std::wstring_view(text), L';'); }

TEST(SplitText, EverySeparatorClosesAPartButATrailingOneAddsNothing) {
  EXPECT_THAT(cabItems(L""), IsEmpty());
  EXPECT_THAT(cabItems(L"k1,a.cab"), ElementsAre(L"k1,a.cab"));
  EXPECT_THAT(cabItems(L"k1,a.cab;k2,b.cab"), ElementsAre(L"k1,a.cab", L"k2,b.cab"));
  EXPECT_THAT(cabItems(L"k1,a.cab;"), ElementsAre(L"k1,a.cab"));
  EXPECT_THAT(cabItems(L"k1,a.cab;;k2,b.cab"), ElementsAre(L"k1,a.cab", L"", L"k2,b.cab"));
  EXPECT_THAT(cabItems(L";k1,a.cab"), ElementsAre(L"", L"k1,a.cab"));
  EXPECT_THAT(cabItems(L";"), ElementsAre(L""));
  EXPECT_THAT(cabItems(L";;"), ElementsAre(L"", L""));
}

TEST(ParseFileSpec, TwoPartsAreKeyAndName) {
  const auto spec = parseFileSpec(L"UpdaterIcon,P42RUpdate.ico");
  ASSERT_TRUE(spec);
  EXPECT_EQ(spec->binaryKey, L"UpdaterIcon");
  EXPECT_EQ(spec->fileName, L"P42RUpdate.ico");
}

TEST(ParseFileSpec, MorePartsKeepEverythingAfterTheFirstCommaAsName) {
  const auto spec = parseFileSpec(L"k3,Monitor,v2.cab");
  ASSERT_TRUE(spec);
  EXPECT_EQ(spec->binaryKey, L"k3");
  EXPECT_EQ(spec->fileName, L"Monitor,v2.cab");
}

TEST(ParseFileSpec, ATrailingOrLeadingCommaLeavesAnEmptyPart) {
  const auto trailing = parseFileSpec(L"k1,");
  ASSERT_TRUE(trailing);
  EXPECT_EQ(trailing->binaryKey, L"k1");
  EXPECT_EQ(trailing->fileName, L"");
  const auto leading = parseFileSpec(L",a.cab");
  ASSERT_TRUE(leading);
  EXPECT_EQ(leading->binaryKey, L"");
  EXPECT_EQ(leading->fileName, L"a.cab");
}

TEST(ParseFileSpec, WithoutACommaTheSpecIsInvalid) {
  EXPECT_FALSE(parseFileSpec(L"JustAKey"));
  EXPECT_FALSE(parseFileSpec(L""));
}

}  // namespace
