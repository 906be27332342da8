// Basic Windows types and result codes with their documented widths and
// values, for code that builds both on Windows and against the stand-in.
#pragma once

#include <cstdarg>
#include <cstdint>

#define WINAPI
#define STDMETHODCALLTYPE

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using HRESULT = std::int32_t;
using CHAR = char;
using WCHAR = wchar_t;
using OLECHAR = WCHAR;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPCCH = const char*;
using LPOLESTR = OLECHAR*;
using BSTR = OLECHAR*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPDWORD = DWORD*;
using LPBOOL = BOOL*;
using LPBYTE = BYTE*;
using HANDLE = void*;

// Macros, as in the platform's headers (GLib defines the same two).
#ifndef FALSE
#define FALSE 0
#endif
#ifndef TRUE
#define TRUE 1
#endif

// Win32 error codes used by the stand-in and its callers.
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_OUTOFMEMORY = 14;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_LOCK_VIOLATION = 33;
constexpr DWORD ERROR_BAD_NETPATH = 53;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_OPEN_FAILED = 110;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_CALL_NOT_IMPLEMENTED = 120;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_STOPPED_ON_SYMLINK = 681;
constexpr DWORD ERROR_NOT_FOUND = 1168;
constexpr DWORD ERROR_CONTINUE = 1246;
constexpr DWORD ERROR_INSTALL_FAILURE = 1603;
constexpr DWORD ERROR_UNKNOWN_COMPONENT = 1607;
constexpr DWORD ERROR_UNKNOWN_PROPERTY = 1608;
constexpr DWORD ERROR_INVALID_HANDLE_STATE = 1609;
constexpr DWORD ERROR_BAD_QUERY_SYNTAX = 1615;
constexpr DWORD ERROR_INVALID_FIELD = 1616;
constexpr DWORD ERROR_INSTALL_PACKAGE_OPEN_FAILED = 1619;
constexpr DWORD ERROR_FUNCTION_FAILED = 1627;
constexpr DWORD ERROR_INVALID_TABLE = 1628;
constexpr DWORD ERROR_DATATYPE_MISMATCH = 1629;
constexpr DWORD ERROR_INVALID_DATATYPE = 1804;
constexpr DWORD ERROR_CANT_ACCESS_FILE = 1920;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
using IID = GUID;
using REFIID = const IID&;
using REFGUID = const GUID&;

bool operator==(const GUID& left, const GUID& right);
