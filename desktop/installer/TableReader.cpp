#include "TableReader.h"

#include "AnsiText.h"
#include "InstallerCallFailure.h"
#include "InstallerLog.h"
#include "InstallerQueries.h"
#include "LogMessages.h"
#include "ScopedHandles.h"
#include "TextSplit.h"

namespace desksetup {

namespace {

constexpr DWORD kFirstFieldBufferSize = 512;

void fillEntry(MSIHANDLE install, MSIHANDLE record, TableEntry& entry) {
  entry.rowKey = readStringField(record, 1);
  entry.iniBaseName = readStringField(record, 2);
  entry.directoryKey = readStringField(record, 3);
  entry.iniKey = readStringField(record, 4);
  const std::wstring cabList = readStringField(record, 5);
  entry.iconSpec = readStringField(record, 6);
  const auto removeFlag = static_cast<std::uint32_t>(MsiRecordGetInteger(record, 7));
  entry.removeFlag = static_cast<std::int16_t>(static_cast<std::uint16_t>(removeFlag & 0xFFFFu));
  entry.componentName = readStringField(record, 8);
  entry.cabItems = splitText(std::wstring_view(cabList), L';');

  const std::string directoryKey = toAnsi(entry.directoryKey);
  const InstallerValue target = targetPathOf(install, directoryKey);
  if (target.result != ERROR_SUCCESS || target.text.empty()) {
    logMessage(install, fillIn(messages::kDirectoryDefaulted, {directoryKey}));
    entry.directoryKey = L"INSTALLDIR";
  }
}

}  // namespace

std::wstring readStringField(MSIHANDLE record, UINT field) {
  const InstallerValue value = readInstallerString(kFirstFieldBufferSize, [&](char* buffer, DWORD* size) {
    return MsiRecordGetStringA(record, field, buffer, size);
  });
  if (value.result != ERROR_SUCCESS) {
    raiseInstallerCallFailure(value.result, "MsiRecordGetString");
  }
  return toWide(value.text);
}

TableRead readTable(MSIHANDLE install, MSIHANDLE database, std::vector<TableEntry>& entries) {
  const std::string query = fillIn("SELECT * from `%s`", {messages::kTableName});
  ScopedMsiHandle view;
  if (MsiDatabaseOpenViewA(database, query.c_str(), view.receive()) != ERROR_SUCCESS) {
    return TableRead::Failed;
  }
  MsiViewExecute(view.get(), 0);
  for (;;) {
    ScopedMsiHandle record;
    if (MsiViewFetch(view.get(), record.receive()) == ERROR_NO_MORE_ITEMS) {
      break;
    }
    entries.emplace_back();
    fillEntry(install, record.get(), entries.back());
  }
  return TableRead::Succeeded;
}

}  // namespace desksetup
