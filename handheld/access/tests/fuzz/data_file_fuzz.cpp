// Arbitrary bytes as the management file and as "appli.ini", read for one
// of the sections and keys the program knows (the first byte chooses; each
// read takes the whole file again, as the program's reads do); then, for one
// input in four, a management file written from the input and read back.
//
// A value read holds at most 255 characters, and a value that is not
// scrambled holds no line feed and has no blank at either end. (A scrambled
// value is decoded from hexadecimal digits, so any character may come out.) A written management file
// gives back the password, lock status and first-boot flag it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "access/ClsDataFile.h"
#include "testing/MemoryFileSystem.h"

namespace {

using namespace p42r;
using access::EntryKey;
using access::SectionKind;

void Check(bool condition) {
  if (!condition) std::abort();
}

bool Blank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r') || c == u'\u3000'; }

struct Files {
  platform::DeviceRoot deviceRoot{"/nonexistent/p42r-fuzz-root"};
  platform::CodePage codePage;
};

Files& TheFiles() {
  static Files files;
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  Files& host = TheFiles();
  testing::MemoryFileSystem files;
  const access::ClsDataFile dataFile(files, host.deviceRoot, host.codePage);
  files.contents[*host.deviceRoot.hostPath(dataFile.ManagementFilePath())] = std::string(bytes);
  files.contents[*host.deviceRoot.hostPath(dataFile.AppliFilePath())] = std::string(bytes);

  if (size > 0) {
    const int kind = data[0] % (static_cast<int>(SectionKind::BrewAppli6) + 1);
    const int key = (data[0] / 11) % (static_cast<int>(EntryKey::FirstBoot) + 1);
    std::u16string value;
    if (dataFile.ReadEntry(static_cast<SectionKind>(kind), static_cast<EntryKey>(key), value)) {
      Check(value.size() <= 255);
      const bool scrambled = kind <= static_cast<int>(SectionKind::Data1);
      if (!scrambled) {
        Check(value.find(u'\n') == std::u16string::npos);
        if (!value.empty()) Check(!Blank(value.front()) && !Blank(value.back()));
      }
    }
  }

  // The write and its read-back cost four times the read above, and their
  // input is only ten characters and two flags: one input in four does them.
  if (size % 4 != 0) return 0;
  // A password of up to ten printable characters, as the password screens allow.
  std::u16string password;
  for (std::size_t index = 0; index < size && password.size() < 10; ++index) {
    password.push_back(static_cast<char16_t>(0x21 + data[index] % 0x5E));
  }
  const std::u16string status = size % 8 == 0 ? u"0" : u"1";
  const std::u16string firstBoot = size % 3 == 0 ? u"0" : u"1";
  Check(dataFile.WriteManagementFile(password, status, firstBoot));
  std::u16string read;
  Check(dataFile.ReadEntry(SectionKind::Data3, EntryKey::Tag, read) && read == password);
  Check(dataFile.ReadEntry(SectionKind::LockStatus, EntryKey::Status, read) && read == status);
  Check(dataFile.ReadEntry(SectionKind::Boot, EntryKey::FirstBoot, read) && read == firstBoot);
  return 0;
}
