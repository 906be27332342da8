# Cross compiling for Windows with mingw-w64: 32-bit x86 (Debian's
# g++-mingw-w64-i686 and mingw-w64-i686-dev) or x86-64 (the x86-64 pair),
# chosen by P42R_WINDOWS_ARCH. Both carry the installer's headers and
# import library.
set(P42R_WINDOWS_ARCH i686 CACHE STRING "Windows processor: i686 or x86_64")
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${P42R_WINDOWS_ARCH})

set(P42R_MINGW_PREFIX ${P42R_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${P42R_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${P42R_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${P42R_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${P42R_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
