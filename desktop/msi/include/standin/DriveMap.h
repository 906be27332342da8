// Where the Windows drives of the stand-in live on the host: each drive
// letter maps to a host folder. A Windows path ("C:\Program Files\X\a.ini")
// becomes a host path under its drive's folder; "." and ".." are resolved
// the way Windows resolves them, so no path climbs above a drive's root.
// Paths without a drive count from the root of drive C, the current
// directory of every stand-in process. UNC paths are not supported.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

void mapDrive(char letter, const std::filesystem::path& hostFolder);
void unmapAllDrives();
std::optional<std::filesystem::path> driveFolder(char letter);

// A Windows path (UTF-8) as its drive's host folder and the parts below it,
// or nullopt when its drive is not mapped or the form is not supported.
struct DrivePath {
  std::filesystem::path folder;
  std::vector<std::string> parts;
};
std::optional<DrivePath> toDrivePath(std::string_view windowsPath);

// The host path of a Windows path (UTF-8), or nullopt when its drive is not
// mapped or the form is not supported.
std::optional<std::filesystem::path> toHostPath(std::string_view windowsPath);

// Hands the mapping to child processes through the environment
// (P42R_DRIVE_C=/host/folder, ...), and reads it back in a child.
void exportDrivesToEnvironment();
void loadDrivesFromEnvironment();

}  // namespace standin
