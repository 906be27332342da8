# The library's worker sources, shared by the Linux build (installer/) and
# the Windows cross build (windows-build/).
set(DESKSETUP_CORE_SOURCES
  AnsiText.cpp
  AppManagerLauncher.cpp
  BinaryStreamWriter.cpp
  DirectoryPaths.cpp
  EntryFiles.cpp
  EntryPoints.cpp
  FileNameGuard.cpp
  InstallerCallFailure.cpp
  InstallerContext.cpp
  InstallerLog.cpp
  InstallerQueries.cpp
  TableReader.cpp
  TextSplit.cpp)
