# Cross compiling for 32-bit x86 Windows with mingw-w64 (Debian's
# g++-mingw-w64-i686 and mingw-w64-i686-dev, which carry the installer's
# headers and import library).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(P42R_MINGW_PREFIX i686-w64-mingw32 CACHE STRING "Target triplet of the mingw-w64 tools")
set(CMAKE_C_COMPILER ${P42R_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${P42R_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${P42R_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${P42R_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
