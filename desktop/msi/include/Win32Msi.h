// The installer's ANSI interface as a custom action sees it: installer,
// database, view and record handles, properties, target paths, component
// states, messages to the installation log and record formatting.
#pragma once

#include "Win32Types.h"

using MSIHANDLE = std::uint32_t;

enum INSTALLSTATE : int {
  INSTALLSTATE_NOTUSED = -7,
  INSTALLSTATE_BADCONFIG = -6,
  INSTALLSTATE_INCOMPLETE = -5,
  INSTALLSTATE_SOURCEABSENT = -4,
  INSTALLSTATE_MOREDATA = -3,
  INSTALLSTATE_INVALIDARG = -2,
  INSTALLSTATE_UNKNOWN = -1,
  INSTALLSTATE_BROKEN = 0,
  INSTALLSTATE_ADVERTISED = 1,
  INSTALLSTATE_REMOVED = 1,
  INSTALLSTATE_ABSENT = 2,
  INSTALLSTATE_LOCAL = 3,
  INSTALLSTATE_SOURCE = 4,
  INSTALLSTATE_DEFAULT = 5,
};

enum INSTALLMESSAGE : int {
  INSTALLMESSAGE_FATALEXIT = 0x00000000,
  INSTALLMESSAGE_ERROR = 0x01000000,
  INSTALLMESSAGE_WARNING = 0x02000000,
  INSTALLMESSAGE_USER = 0x03000000,
  INSTALLMESSAGE_INFO = 0x04000000,
  INSTALLMESSAGE_FILESINUSE = 0x05000000,
  INSTALLMESSAGE_RESOLVESOURCE = 0x06000000,
  INSTALLMESSAGE_OUTOFDISKSPACE = 0x07000000,
  INSTALLMESSAGE_ACTIONSTART = 0x08000000,
  INSTALLMESSAGE_ACTIONDATA = 0x09000000,
  INSTALLMESSAGE_PROGRESS = 0x0A000000,
  INSTALLMESSAGE_COMMONDATA = 0x0B000000,
};

constexpr int MSI_NULL_INTEGER = static_cast<int>(0x80000000u);

extern "C" {

UINT WINAPI MsiCloseHandle(MSIHANDLE hAny);
MSIHANDLE WINAPI MsiGetActiveDatabase(MSIHANDLE hInstall);
UINT WINAPI MsiGetPropertyA(MSIHANDLE hInstall, LPCSTR szName, LPSTR szValueBuf, LPDWORD pcchValueBuf);
UINT WINAPI MsiGetTargetPathA(MSIHANDLE hInstall, LPCSTR szFolder, LPSTR szPathBuf, LPDWORD pcchPathBuf);
UINT WINAPI MsiGetComponentStateA(MSIHANDLE hInstall, LPCSTR szComponent, INSTALLSTATE* piInstalled,
                                  INSTALLSTATE* piAction);
int WINAPI MsiProcessMessage(MSIHANDLE hInstall, INSTALLMESSAGE eMessageType, MSIHANDLE hRecord);
UINT WINAPI MsiFormatRecordA(MSIHANDLE hInstall, MSIHANDLE hRecord, LPSTR szResultBuf,
                             LPDWORD pcchResultBuf);
MSIHANDLE WINAPI MsiGetLastErrorRecord();

UINT WINAPI MsiDatabaseOpenViewA(MSIHANDLE hDatabase, LPCSTR szQuery, MSIHANDLE* phView);
UINT WINAPI MsiViewExecute(MSIHANDLE hView, MSIHANDLE hRecord);
UINT WINAPI MsiViewFetch(MSIHANDLE hView, MSIHANDLE* phRecord);
UINT WINAPI MsiViewClose(MSIHANDLE hView);

MSIHANDLE WINAPI MsiCreateRecord(UINT cParams);
UINT WINAPI MsiRecordGetFieldCount(MSIHANDLE hRecord);
BOOL WINAPI MsiRecordIsNull(MSIHANDLE hRecord, UINT iField);
UINT WINAPI MsiRecordDataSize(MSIHANDLE hRecord, UINT iField);
int WINAPI MsiRecordGetInteger(MSIHANDLE hRecord, UINT iField);
UINT WINAPI MsiRecordSetInteger(MSIHANDLE hRecord, UINT iField, int iValue);
UINT WINAPI MsiRecordGetStringA(MSIHANDLE hRecord, UINT iField, LPSTR szValueBuf, LPDWORD pcchValueBuf);
UINT WINAPI MsiRecordSetStringA(MSIHANDLE hRecord, UINT iField, LPCSTR szValue);
UINT WINAPI MsiRecordReadStream(MSIHANDLE hRecord, UINT iField, char* szDataBuf, LPDWORD pcbDataBuf);
}
