// File names from the package that would leave the row's directory, or
// that the file system or the application manager's command line would
// read as something else.
#include "FileNameGuard.h"

#include <gtest/gtest.h>

namespace {

constexpr auto kWindows = desksetup::NameRules::Windows;

struct NameCase {
  const wchar_t* name;
  bool stays;
  desksetup::NameRules rules = desksetup::NameRules::HostFolders;
  friend void PrintTo(const NameCase& value, std::ostream* out) {
    for (const wchar_t* at = value.name; *at != L'\0'; ++at) *out << static_cast<char>(*at);
  }
};

class FileNameGuardTest : public testing::TestWithParam<NameCase> {};

TEST_P(FileNameGuardTest, DecidesWhetherTheNameStaysInTheDirectory) {
  EXPECT_EQ(desksetup::staysInDirectory(GetParam().name, GetParam().rules), GetParam().stays);
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameGuardTest,
    testing::Values(NameCase{L"a.cab", true}, NameCase{L"Monitor,v2.cab", true}, NameCase{L"sub\\a.cab", true},
                    NameCase{L".ini", true}, NameCase{L"a..b.cab", true}, NameCase{L".\\a.cab", true},
                    NameCase{L"..\\a.cab", false}, NameCase{L"sub\\..\\..\\a.cab", false},
                    NameCase{L"../a.cab", false}, NameCase{L"\\a.cab", false}, NameCase{L"/a.cab", false},
                    NameCase{L"C:\\a.cab", false}, NameCase{L"C:a.cab", false}, NameCase{L"a.cab:stream", false},
                    NameCase{L".. \\a.cab", false}, NameCase{L"...\\a.cab", false}, NameCase{L"", false},
                    NameCase{L".", false}, NameCase{L"sub\\", false}, NameCase{L"..", false},
                    NameCase{L"a\"b.cab", false}, NameCase{L"a\x01" L"b.cab", false}, NameCase{L"a\nb.cab", false},
                    NameCase{L"NUL", true}, NameCase{L"name.", true}, NameCase{L"NUL", false, kWindows},
                    NameCase{L"com1.cab", false, kWindows}, NameCase{L"sub\\LPT9 .ico", false, kWindows},
                    NameCase{L"name.", false, kWindows}, NameCase{L"name ", false, kWindows},
                    NameCase{L"COM10.cab", true, kWindows}, NameCase{L"CONSOLE.cab", true, kWindows},
                    NameCase{L".\\a.cab", true, kWindows}));

}  // namespace
