// File names from the package that would leave the row's directory.
#include "FileNameGuard.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
  const wchar_t* name;
  bool stays;
  friend void PrintTo(const NameCase& value, std::ostream* out) {
    for (const wchar_t* at = value.name; *at != L'\0'; ++at) *out << static_cast<char>(*at);
  }
};

class FileNameGuardTest : public testing::TestWithParam<NameCase> {};

TEST_P(FileNameGuardTest, DecidesWhetherTheNameStaysInTheDirectory) {
  EXPECT_EQ(desksetup::staysInDirectory(GetParam().name), GetParam().stays);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameGuardTest,
    testing::Values(NameCase{L"a.cab", true}, NameCase{L"Monitor,v2.cab", true}, NameCase{L"sub\\a.cab", true},
                    NameCase{L".ini", true}, NameCase{L"a..b.cab", true}, NameCase{L".\\a.cab", true},
                    NameCase{L"..\\a.cab", false}, NameCase{L"sub\\..\\..\\a.cab", false},
                    NameCase{L"../a.cab", false}, NameCase{L"\\a.cab", false}, NameCase{L"/a.cab", false},
                    NameCase{L"C:\\a.cab", false}, NameCase{L"C:a.cab", false}, NameCase{L"a.cab:stream", false},
                    NameCase{L".. \\a.cab", false}, NameCase{L"...\\a.cab", false}, NameCase{L"", false},
                    NameCase{L".", false}, NameCase{L"sub\\", false}, NameCase{L"..", false}));

}  // namespace
