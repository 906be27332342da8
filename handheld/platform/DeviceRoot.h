// The emulated handheld's world on the host: a directory that holds the
// handheld's file system, its registry file and its named mutexes, plus the
// facts the system reports about itself (the operating-system version).
//
// Handheld paths use "\" and start at the handheld's root; they map onto the
// directory. A path that would climb out of it maps to nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace p42r::platform {

struct OsVersion {
  std::uint32_t platformId = 3;  // 3: Windows CE
  std::uint32_t major = 4;
  std::uint32_t minor = 20;
  std::uint32_t build = 0;
};

class DeviceRoot {
 public:
  // Where the program file sits on the handheld.
  static constexpr std::u16string_view kModuleFileName = u"\\Program Files\\P42R\\P42RApplication.exe";

  explicit DeviceRoot(std::filesystem::path directory);

  // Makes sure the directory exists and can be written, and that the program
  // directory is there. Every directory it creates is its owner's alone
  // (0700); one that is already there is never changed. A root that belongs
  // to another user, or that group or others may write, is refused. Returns
  // a message for the user when it cannot.
  std::optional<std::string> prepare(bool createIfMissing) const;

  const std::filesystem::path& directory() const { return directory_; }
  std::filesystem::path registryFile() const { return directory_ / "registry.reg"; }
  std::filesystem::path lockDirectory() const { return directory_ / ".locks"; }
  // Present once the root has been set up (its management file was created):
  // from then on a missing management file is a fault, not a new handheld.
  std::filesystem::path setUpMarker() const { return directory_ / ".set-up"; }

  // The handheld path of the running program file.
  std::u16string moduleFileName() const { return std::u16string(kModuleFileName); }

  // Maps a handheld path into the host; nothing when it leaves the root.
  std::optional<std::filesystem::path> hostPath(std::u16string_view handheldPath) const;

  // The version record the system reports; nothing models a failing query.
  std::optional<OsVersion> osVersion() const { return osVersion_; }
  void setOsVersion(std::optional<OsVersion> version) { osVersion_ = version; }

 private:
  std::filesystem::path directory_;
  std::optional<OsVersion> osVersion_ = OsVersion{};
};

// The user's default device root: $XDG_DATA_HOME/p42r/device, else
// ~/.local/share/p42r/device; nothing when neither names an absolute path.
std::optional<std::filesystem::path> DefaultDeviceRoot();

}  // namespace p42r::platform
