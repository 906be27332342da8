// The library's exports: thin C wrappers with the custom-action signature
// around the entry-point work.
#include "EntryPoints.h"
#include "Win32Api.h"

extern "C" UINT WINAPI InstallCEApps(MSIHANDLE hInstall) {
  return desksetup::runEntryPoint(desksetup::EntryPoint::InstallCEApps, hInstall);
}

extern "C" UINT WINAPI RemoveCEApps(MSIHANDLE hInstall) {
  return desksetup::runEntryPoint(desksetup::EntryPoint::RemoveCEApps, hInstall);
}

extern "C" UINT WINAPI CEObjectCleanup(MSIHANDLE hInstall) {
  return desksetup::runEntryPoint(desksetup::EntryPoint::CEObjectCleanup, hInstall);
}
