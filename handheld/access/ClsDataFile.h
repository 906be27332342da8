// The two small ini-style files beside the program: the management file
// "mng2dat.ini" (the scrambled password, the lock status and the first-boot
// flag of the password screens) and "appli.ini" (read only). Lines end in
// CR LF and are stored in the device's ANSI code page. The class holds no
// state between calls: every call builds the path, opens the file, does its
// work and lets the file go again.
//
// Writing never loses the management file: the new content is written beside
// it and takes its place only when it is complete, so a failed write leaves
// the previous file exactly as it was.
#pragma once

#include <string>
#include <string_view>

#include "platform/DeviceRoot.h"
#include "platform/Files.h"
#include "platform/TextConversion.h"

namespace p42r::access {

// Which section ReadEntry looks in (and so which file).
enum class SectionKind : int {
  Data3 = 0,       // "[DATA3]", management file
  Data2 = 1,       // "[DATA2]", management file (never written)
  Data1 = 2,       // "[DATA1]", management file (never written)
  LockStatus = 3,  // "[LOCK_STATUS]", management file
  Boot = 4,        // "[BOOT]", management file
  BrewAppli1 = 5,  // "[BREW_APPLI1]" to "[BREW_APPLI6]", appli.ini
  BrewAppli2 = 6,
  BrewAppli3 = 7,
  BrewAppli4 = 8,
  BrewAppli5 = 9,
  BrewAppli6 = 10,
};

enum class EntryKey : int {
  Tag = 0,           // "TAG ="
  Status = 1,        // "STATUS ="
  OriginalName = 2,  // "ORIGINAL_NAME ="
  DisplayName = 3,   // "DISPLAY_NAME ="
  DisplayFlag = 4,   // "DISPLAY_FLAG ="
  FirstBoot = 5,     // "FIRST_BOOT ="
};

class ClsDataFile {
 public:
  ClsDataFile(platform::FileSystem& files, const platform::DeviceRoot& deviceRoot, const platform::CodePage& codePage);

  // True and the value when the section exists and holds a line with the key
  // before the next section; false otherwise, with `value` untouched. Values
  // of "[DATA3]", "[DATA2]" and "[DATA1]" come back unscrambled.
  bool ReadEntry(SectionKind kind, EntryKey key, std::u16string& value) const;

  // Rewrites the whole management file (six lines) with the password given in
  // clear; true when the new file is complete and in place.
  bool WriteManagementFile(const std::u16string& password, const std::u16string& status,
                           const std::u16string& firstBoot) const;
  // The same write, telling what failed. With ExistingFile::Keep a management
  // file that is already there is left alone (the call fails with EEXIST).
  platform::FileStatus WriteManagementFile(const std::u16string& password, const std::u16string& status,
                                           const std::u16string& firstBoot, platform::ExistingFile existing) const;

  // The scrambling of the password: an empty password gives an empty text,
  // any other exactly ten characters.
  static std::u16string EncodeTag(std::u16string_view password);
  // Back to the password: the text before the first position that unscrambles
  // to zero. Characters past the tenth have no key and are ignored.
  static std::u16string DecodeTag(std::u16string_view tag);

  // The handheld paths: the program's directory and the file name.
  std::u16string ManagementFilePath() const;
  std::u16string AppliFilePath() const;

 private:
  std::u16string PathBesideProgram(std::uint32_t nameId) const;

  platform::FileSystem& files_;
  const platform::DeviceRoot& deviceRoot_;
  const platform::CodePage& codePage_;
};

}  // namespace p42r::access
