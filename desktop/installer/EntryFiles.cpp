#include "EntryFiles.h"

#include "AnsiText.h"
#include "BinaryStreamWriter.h"
#include "DirectoryPaths.h"
#include "FileNameGuard.h"
#include "InstallerLog.h"
#include "InstallerQueries.h"
#include "LogMessages.h"
#include "TextSplit.h"

#include <optional>

namespace desksetup {

namespace {

void logForEntry(MSIHANDLE install, const char* message, const TableEntry& entry) {
  logMessage(install, fillIn(message, {messages::kTableName, toAnsi(entry.rowKey)}));
}

// The key and file name of a cab item or icon, or nullopt when it is invalid or its file
// name would leave the entry's directory.
std::optional<FileSpec> usableFileSpec(const std::wstring& spec) {
  auto parsed = parseFileSpec(spec);
  if (!parsed || !staysInDirectory(parsed->fileName)) {
    return std::nullopt;
  }
  return parsed;
}

bool writeSpecFile(MSIHANDLE install, MSIHANDLE database, const std::string& directory, const FileSpec& spec) {
  return writeBinaryStream(install, database, directory + toAnsi(spec.fileName), toAnsi(spec.binaryKey)) ==
         ERROR_SUCCESS;
}

}  // namespace

EntryResult writeEntryFiles(MSIHANDLE install, MSIHANDLE database, const TableEntry& entry,
                            std::wstring& iniFileList) {
  const std::string target = targetPathOf(install, toAnsi(entry.directoryKey)).text;
  if (!isPlainText(toWide(target))) {
    // The .ini path goes quoted into the application manager's command line.
    logForEntry(install, messages::kIniNotWritten, entry);
    return EntryResult::Failed;
  }
  if (!isExistingDirectory(target) && !createDirectoryTree(target)) {
    logMessage(install, fillIn(messages::kDirectoryNotCreated, {target}));
    return EntryResult::Failed;
  }
  std::string directory = target;
  if (!directory.empty() && directory.back() == '\\') {
    directory.pop_back();
  }
  directory += '\\';

  const std::wstring iniFileName = entry.iniBaseName + L".ini";
  if (!staysInDirectory(iniFileName)) {
    logForEntry(install, messages::kIniNotWritten, entry);
    return EntryResult::Failed;
  }
  const std::string iniPath = directory + toAnsi(iniFileName);
  if (!iniFileList.empty()) {
    iniFileList += L' ';
  }
  iniFileList += L'"' + toWide(iniPath) + L'"';
  if (writeBinaryStream(install, database, iniPath, toAnsi(entry.iniKey)) != ERROR_SUCCESS) {
    logForEntry(install, messages::kIniNotWritten, entry);
    return EntryResult::Failed;
  }

  for (const std::wstring& item : entry.cabItems) {
    const auto spec = usableFileSpec(item);
    if (!spec) {
      logForEntry(install, messages::kCabSpecInvalid, entry);
      return EntryResult::Failed;
    }
    if (!writeSpecFile(install, database, directory, *spec)) {
      logForEntry(install, messages::kCabNotWritten, entry);
      return EntryResult::Failed;
    }
  }

  const auto icon = usableFileSpec(entry.iconSpec);
  if (!icon) {
    logForEntry(install, messages::kIconSpecInvalid, entry);
    return EntryResult::Failed;
  }
  if (!writeSpecFile(install, database, directory, *icon)) {
    logForEntry(install, messages::kIconNotWritten, entry);
    return EntryResult::Failed;
  }
  return EntryResult::Succeeded;
}

EntryResult deleteEntryFiles(MSIHANDLE install, const TableEntry& entry) {
  if (entry.removeFlag == 0) {
    return EntryResult::Succeeded;
  }
  const std::string directoryKey = toAnsi(entry.directoryKey);
  const std::string directory = directoryPropertyOf(install, directoryKey);
  if (directory.empty()) {
    logMessage(install, fillIn(messages::kNoDirectoryForDelete, {directoryKey}));
    return EntryResult::Failed;
  }

  const std::wstring iniFileName = entry.iniBaseName + L".ini";
  if (!staysInDirectory(iniFileName)) {
    logForEntry(install, messages::kIniNameInvalidForDelete, entry);
    return EntryResult::Failed;
  }
  DeleteFileA((directory + toAnsi(iniFileName)).c_str());

  for (const std::wstring& item : entry.cabItems) {
    const auto spec = usableFileSpec(item);
    if (!spec) {
      logForEntry(install, messages::kCabSpecInvalidForDelete, entry);
      return EntryResult::Failed;
    }
    DeleteFileA((directory + toAnsi(spec->fileName)).c_str());
  }

  const auto icon = usableFileSpec(entry.iconSpec);
  if (!icon) {
    logForEntry(install, messages::kIconSpecInvalidForDelete, entry);
    return EntryResult::Failed;
  }
  DeleteFileA((directory + toAnsi(icon->fileName)).c_str());
  return EntryResult::Succeeded;
}

EntryResult removeEntryDirectories(MSIHANDLE install, const TableEntry& entry) {
  if (entry.removeFlag == 0) {
    return EntryResult::Succeeded;
  }
  const std::string directoryKey = toAnsi(entry.directoryKey);
  std::string directory = directoryPropertyOf(install, directoryKey);
  if (directory.empty()) {
    logMessage(install, fillIn(messages::kNoDirectoryForCleanup, {directoryKey}));
    return EntryResult::Failed;
  }
  if (directory.back() == '\\') {
    directory.pop_back();
  }
  removeEmptyDirectoriesUpwards(directory);
  return EntryResult::Succeeded;
}

}  // namespace desksetup
