// The installer's ANSI functions over the stand-in's sessions, databases,
// views and records. Strings cross in the ANSI code page; buffer sizes are
// in characters, as documented: on input the room including the
// terminator, on output the length without it, and ERROR_MORE_DATA with
// the needed length when the room is too small.
#include "LastErrorRecord.h"
#include "MsiDatabase.h"
#include "RecordFormatter.h"
#include "Session.h"
#include "standin/CodePage.h"
#include "standin/FaultInjection.h"

#include <cstring>

using standin::Record;
using standin::RecordField;

namespace {

UINT copyOut(const std::string& utf8, LPSTR buffer, LPDWORD size) {
  if (size == nullptr) {
    return buffer == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
  }
  const std::string ansi = standin::utf8ToAnsi(utf8);
  const DWORD capacity = *size;
  *size = static_cast<DWORD>(ansi.size());
  if (buffer == nullptr) {
    return ERROR_SUCCESS;
  }
  if (capacity > 0) {
    const std::size_t copied = std::min<std::size_t>(ansi.size(), capacity - 1);
    std::memcpy(buffer, ansi.data(), copied);
    buffer[copied] = '\0';
  }
  return ansi.size() < capacity ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

std::optional<UINT> injected(const char* function) {
  if (auto fault = standin::takeFault(function)) {
    if (!fault->errorRecordFields.empty()) {
      standin::setLastErrorRecord(fault->errorRecordFields);
    }
    return fault->error;
  }
  return std::nullopt;
}

standin::PropertyLookup lookupIn(const std::shared_ptr<standin::Session>& session) {
  if (!session) {
    return {};
  }
  return [session](std::string_view name) -> std::optional<std::string> {
    return session->property(std::string(name)).value_or("");
  };
}

std::string utf8Of(LPCSTR ansi) { return ansi == nullptr ? std::string() : standin::ansiToUtf8(ansi); }

}  // namespace

extern "C" UINT WINAPI MsiCloseHandle(MSIHANDLE hAny) {
  if (hAny == 0) {
    return ERROR_SUCCESS;
  }
  return standin::closeMsiObject(hAny) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

extern "C" MSIHANDLE WINAPI MsiGetActiveDatabase(MSIHANDLE hInstall) {
  if (injected("MsiGetActiveDatabase")) {
    return 0;
  }
  const auto session = standin::findMsiObjectOf<standin::Session>(hInstall);
  return session ? standin::addMsiObject(session->database()) : 0;
}

extern "C" UINT WINAPI MsiGetPropertyA(MSIHANDLE hInstall, LPCSTR szName, LPSTR szValueBuf, LPDWORD pcchValueBuf) {
  if (const auto fault = injected("MsiGetPropertyA")) {
    return *fault;
  }
  const auto session = standin::findMsiObjectOf<standin::Session>(hInstall);
  if (!session) {
    return ERROR_INVALID_HANDLE;
  }
  if (szName == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  return copyOut(session->property(utf8Of(szName)).value_or(""), szValueBuf, pcchValueBuf);
}

extern "C" UINT WINAPI MsiGetTargetPathA(MSIHANDLE hInstall, LPCSTR szFolder, LPSTR szPathBuf,
                                         LPDWORD pcchPathBuf) {
  if (const auto fault = injected("MsiGetTargetPathA")) {
    return *fault;
  }
  const auto session = standin::findMsiObjectOf<standin::Session>(hInstall);
  if (!session) {
    return ERROR_INVALID_HANDLE;
  }
  if (szFolder == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  const auto path = session->targetPath(utf8Of(szFolder));
  if (!path) {
    return ERROR_DIRECTORY;
  }
  return copyOut(*path, szPathBuf, pcchPathBuf);
}

extern "C" UINT WINAPI MsiGetComponentStateA(MSIHANDLE hInstall, LPCSTR szComponent, INSTALLSTATE* piInstalled,
                                             INSTALLSTATE* piAction) {
  const auto session = standin::findMsiObjectOf<standin::Session>(hInstall);
  if (!session) {
    return ERROR_INVALID_HANDLE;
  }
  if (szComponent == nullptr || piInstalled == nullptr || piAction == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  standin::ComponentPlan state;
  const UINT result = session->componentState(utf8Of(szComponent), state);
  if (result == ERROR_SUCCESS) {
    *piInstalled = state.installed;
    *piAction = state.action;
  }
  return result;
}

extern "C" int WINAPI MsiProcessMessage(MSIHANDLE hInstall, INSTALLMESSAGE eMessageType, MSIHANDLE hRecord) {
  const auto session = standin::findMsiObjectOf<standin::Session>(hInstall);
  const auto record = standin::findMsiObjectOf<Record>(hRecord);
  if (!session || !record) {
    return -1;
  }
  const auto properties = lookupIn(session);
  std::string line;
  if (record->isNull(0)) {
    // Without a template the installer logs the fields' own text, formatted.
    for (unsigned index = 1; index <= record->fieldCount(); ++index) {
      if (index > 1) {
        line += ' ';
      }
      line += standin::formatTemplate(record->text(index), *record, properties);
    }
  } else {
    line = standin::formatRecord(*record, properties);
  }
  session->appendLog(std::move(line));
  return (static_cast<unsigned>(eMessageType) & 0xFF000000u) == INSTALLMESSAGE_INFO ? 0 : 1;
}

extern "C" UINT WINAPI MsiFormatRecordA(MSIHANDLE hInstall, MSIHANDLE hRecord, LPSTR szResultBuf,
                                        LPDWORD pcchResultBuf) {
  const auto record = standin::findMsiObjectOf<Record>(hRecord);
  if (!record) {
    return ERROR_INVALID_HANDLE;
  }
  const auto session = standin::findMsiObjectOf<standin::Session>(hInstall);
  if (hInstall != 0 && !session) {
    return ERROR_INVALID_HANDLE;
  }
  return copyOut(standin::formatRecord(*record, lookupIn(session)), szResultBuf, pcchResultBuf);
}

extern "C" MSIHANDLE WINAPI MsiGetLastErrorRecord() {
  auto record = standin::takeLastErrorRecord();
  return record ? standin::addMsiObject(std::move(record)) : 0;
}

extern "C" UINT WINAPI MsiDatabaseOpenViewA(MSIHANDLE hDatabase, LPCSTR szQuery, MSIHANDLE* phView) {
  if (const auto fault = injected("MsiDatabaseOpenViewA")) {
    return *fault;
  }
  const auto database = standin::findMsiObjectOf<standin::Database>(hDatabase);
  if (!database) {
    return ERROR_INVALID_HANDLE;
  }
  if (szQuery == nullptr || phView == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *phView = 0;
  std::shared_ptr<standin::View> view;
  std::string message;
  const std::string query = utf8Of(szQuery);
  const UINT result = standin::View::open(database, query, view, message);
  if (result != ERROR_SUCCESS) {
    standin::setLastErrorRecord({std::to_string(result), message, query});
    return result;
  }
  *phView = standin::addMsiObject(std::move(view));
  return ERROR_SUCCESS;
}

extern "C" UINT WINAPI MsiViewExecute(MSIHANDLE hView, MSIHANDLE hRecord) {
  const auto view = standin::findMsiObjectOf<standin::View>(hView);
  if (!view) {
    return ERROR_INVALID_HANDLE;
  }
  std::shared_ptr<Record> parameters;
  if (hRecord != 0) {
    parameters = standin::findMsiObjectOf<Record>(hRecord);
    if (!parameters) {
      return ERROR_INVALID_HANDLE;
    }
  }
  std::string message;
  const UINT result = view->execute(parameters.get(), message);
  if (result != ERROR_SUCCESS) {
    standin::setLastErrorRecord({std::to_string(result), message});
  }
  return result;
}

extern "C" UINT WINAPI MsiViewFetch(MSIHANDLE hView, MSIHANDLE* phRecord) {
  if (phRecord == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  *phRecord = 0;
  if (const auto fault = injected("MsiViewFetch")) {
    return *fault;
  }
  const auto view = standin::findMsiObjectOf<standin::View>(hView);
  if (!view) {
    return ERROR_INVALID_HANDLE;
  }
  std::shared_ptr<Record> row;
  const UINT result = view->fetch(row);
  if (result == ERROR_SUCCESS) {
    *phRecord = standin::addMsiObject(std::move(row));
  }
  return result;
}

extern "C" UINT WINAPI MsiViewClose(MSIHANDLE hView) {
  const auto view = standin::findMsiObjectOf<standin::View>(hView);
  if (!view) {
    return ERROR_INVALID_HANDLE;
  }
  view->close();
  return ERROR_SUCCESS;
}

extern "C" MSIHANDLE WINAPI MsiCreateRecord(UINT cParams) {
  if (cParams > 65535) {
    return 0;
  }
  return standin::addMsiObject(std::make_shared<Record>(cParams));
}

extern "C" UINT WINAPI MsiRecordGetFieldCount(MSIHANDLE hRecord) {
  const auto record = standin::findMsiObjectOf<Record>(hRecord);
  return record ? record->fieldCount() : static_cast<UINT>(-1);
}

extern "C" BOOL WINAPI MsiRecordIsNull(MSIHANDLE hRecord, UINT iField) {
  const auto record = standin::findMsiObjectOf<Record>(hRecord);
  return record && record->isNull(iField) ? TRUE : FALSE;
}

extern "C" UINT WINAPI MsiRecordDataSize(MSIHANDLE hRecord, UINT iField) {
  const auto record = standin::findMsiObjectOf<Record>(hRecord);
  if (!record) {
    return 0;
  }
  const RecordField& field = record->field(iField);
  switch (field.kind) {
    case RecordField::Kind::Integer:
      return sizeof(int);
    case RecordField::Kind::String:
      return static_cast<UINT>(standin::utf8ToAnsi(field.text).size());
    case RecordField::Kind::Stream:
      return static_cast<UINT>(field.stream->remaining());
    case RecordField::Kind::Null:
      break;
  }
  return 0;
}

extern "C" int WINAPI MsiRecordGetInteger(MSIHANDLE hRecord, UINT iField) {
  const auto record = standin::findMsiObjectOf<Record>(hRecord);
  if (!record) {
    return MSI_NULL_INTEGER;
  }
  const RecordField& field = record->field(iField);
  if (field.kind == RecordField::Kind::Integer) {
    return field.integer;
  }
  if (field.kind == RecordField::Kind::String && !field.text.empty()) {
    char* end = nullptr;
    const long value = std::strtol(field.text.c_str(), &end, 10);
    if (end != nullptr && *end == '\0' && value >= INT32_MIN && value <= INT32_MAX) {
      return static_cast<int>(value);
    }
  }
  return MSI_NULL_INTEGER;
}

extern "C" UINT WINAPI MsiRecordSetInteger(MSIHANDLE hRecord, UINT iField, int iValue) {
  const auto record = standin::findMsiObjectOf<Record>(hRecord);
  if (!record) {
    return ERROR_INVALID_HANDLE;
  }
  if (!record->has(iField)) {
    return ERROR_INVALID_PARAMETER;
  }
  record->setInteger(iField, iValue);
  return ERROR_SUCCESS;
}

extern "C" UINT WINAPI MsiRecordGetStringA(MSIHANDLE hRecord, UINT iField, LPSTR szValueBuf,
                                           LPDWORD pcchValueBuf) {
  if (const auto fault = injected("MsiRecordGetStringA")) {
    return *fault;
  }
  const auto record = standin::findMsiObjectOf<Record>(hRecord);
  if (!record) {
    return ERROR_INVALID_HANDLE;
  }
  if (record->field(iField).kind == RecordField::Kind::Stream) {
    return ERROR_INVALID_DATATYPE;
  }
  return copyOut(record->text(iField), szValueBuf, pcchValueBuf);
}

extern "C" UINT WINAPI MsiRecordSetStringA(MSIHANDLE hRecord, UINT iField, LPCSTR szValue) {
  if (const auto fault = injected("MsiRecordSetStringA")) {
    return *fault;
  }
  const auto record = standin::findMsiObjectOf<Record>(hRecord);
  if (!record) {
    return ERROR_INVALID_HANDLE;
  }
  if (!record->has(iField)) {
    return ERROR_INVALID_PARAMETER;
  }
  record->setString(iField, utf8Of(szValue));
  return ERROR_SUCCESS;
}

extern "C" UINT WINAPI MsiRecordReadStream(MSIHANDLE hRecord, UINT iField, char* szDataBuf, LPDWORD pcbDataBuf) {
  if (const auto fault = injected("MsiRecordReadStream")) {
    return *fault;
  }
  const auto record = standin::findMsiObjectOf<Record>(hRecord);
  if (!record) {
    return ERROR_INVALID_HANDLE;
  }
  if (pcbDataBuf == nullptr || !record->has(iField)) {
    return ERROR_INVALID_PARAMETER;
  }
  const RecordField& field = record->field(iField);
  if (field.kind == RecordField::Kind::Null) {
    *pcbDataBuf = 0;
    return ERROR_SUCCESS;
  }
  if (field.kind != RecordField::Kind::Stream) {
    return ERROR_INVALID_DATATYPE;
  }
  if (szDataBuf == nullptr) {
    *pcbDataBuf = static_cast<DWORD>(field.stream->remaining());
    return ERROR_SUCCESS;
  }
  std::size_t bytesRead = 0;
  const bool ok = field.stream->read(szDataBuf, *pcbDataBuf, bytesRead);
  *pcbDataBuf = static_cast<DWORD>(bytesRead);
  return ok ? ERROR_SUCCESS : ERROR_FUNCTION_FAILED;
}
