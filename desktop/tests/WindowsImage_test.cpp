// The Windows build's products as a Windows loader sees them: PE images of
// the architecture built (32-bit x86 for the product, x86-64 beside it),
// the library a DLL whose only exports are the three plain entry-point
// names (no stdcall decoration, nothing else), both depending on nothing
// but system DLLs.
#include "PackageFixture.h"
#include "ProgramRun.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

using testing::ElementsAre;
using testing::IsSubsetOf;
using testing::Contains;

namespace desktoptest {
namespace {

struct PeImage {
  std::string format;                // "pei-i386", "pei-x86-64"
  std::string magic;                 // "PE32", "PE32+"
  bool isDll = false;
  std::vector<std::string> exports;  // names, in the export table's order
  int exportAddressCount = -1;       // entries of the export address table
  std::set<std::string> imports;     // DLL names, lower case
};

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char character) { return static_cast<char>(std::tolower(character)); });
  return text;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  return first == std::string::npos ? std::string() : text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// Reads the parts of "objdump -p" that matter here.
PeImage readImage(const std::filesystem::path& image) {
  const ProgramResult dump = runProgram({OBJDUMP_PROGRAM, "-p", image.string()}, 60);
  EXPECT_EQ(dump.status, 0) << describe(dump);
  PeImage result;
  std::istringstream lines(dump.output);
  std::string line;
  enum class Block { None, Characteristics, ExportNames } block = Block::None;
  bool exportCountNext = false;
  while (std::getline(lines, line)) {
    const std::string text = trimmed(line);
    if (const auto at = line.find("file format "); at != std::string::npos) {
      result.format = trimmed(line.substr(at + 12));
    } else if (text.rfind("Characteristics 0x", 0) == 0) {
      block = Block::Characteristics;
      continue;
    } else if (text.rfind("Magic", 0) == 0) {
      const auto open = text.find('(');
      result.magic = open == std::string::npos ? "" : text.substr(open + 1, text.find(')') - open - 1);
    } else if (text == "[Ordinal/Name Pointer] Table") {
      block = Block::ExportNames;
      continue;
    } else if (text == "Number in:") {
      exportCountNext = true;
      continue;
    } else if (text.rfind("DLL Name:", 0) == 0) {
      result.imports.insert(lowered(trimmed(text.substr(9))));
    }
    if (exportCountNext) {
      exportCountNext = false;
      if (text.rfind("Export Address Table", 0) == 0) {
        result.exportAddressCount = std::stoi(trimmed(text.substr(20)), nullptr, 16);
      }
    }
    if (text.empty()) {
      block = Block::None;
    } else if (block == Block::Characteristics && text == "DLL") {
      result.isDll = true;
    } else if (block == Block::ExportNames && text.front() == '[') {
      result.exports.push_back(trimmed(text.substr(text.find(']') + 1)));
    }
  }
  return result;
}

#if defined(WINDOWS_ARCH_x86_64)
constexpr const char* kFormat = "pei-x86-64";
constexpr const char* kMagic = "PE32+";
#else
constexpr const char* kFormat = "pei-i386";
constexpr const char* kMagic = "PE32";
#endif

std::filesystem::path windowsProgram(const std::string& name) {
  return desktopProgram((std::filesystem::path(WINDOWS_BIN_SUBDIR) / name).string());
}

const std::set<std::string> kSystemDlls = {"kernel32.dll", "msi.dll",      "ole32.dll",   "oleaut32.dll",
                                           "msvcrt.dll",   "advapi32.dll", "user32.dll"};

TEST(WINDOWS_IMAGE_SUITE, TheLibraryIsADllOfItsArchitectureExportingExactlyTheThreePlainEntryPoints) {
  const PeImage dll = readImage(windowsProgram("DeskSetup.dll"));
  EXPECT_EQ(dll.format, kFormat);
  EXPECT_EQ(dll.magic, kMagic);
  EXPECT_TRUE(dll.isDll);
  EXPECT_THAT(dll.exports, ElementsAre("CEObjectCleanup", "InstallCEApps", "RemoveCEApps"));
  EXPECT_EQ(dll.exportAddressCount, 3) << "an export without a name";
  EXPECT_THAT(dll.imports, IsSubsetOf(kSystemDlls));
  EXPECT_THAT(dll.imports, Contains("msi.dll"));
}

TEST(WINDOWS_IMAGE_SUITE, TheApplicationManagerStandInIsAProgramOfItsArchitectureOnSystemDllsOnly) {
  const PeImage program = readImage(windowsProgram("ceappmgr.exe"));
  EXPECT_EQ(program.format, kFormat);
  EXPECT_EQ(program.magic, kMagic);
  EXPECT_FALSE(program.isDll);
  EXPECT_THAT(program.exports, testing::IsEmpty());
  EXPECT_THAT(program.imports, IsSubsetOf(kSystemDlls));
  EXPECT_THAT(program.imports, Contains("kernel32.dll"));
}

}  // namespace
}  // namespace desktoptest
