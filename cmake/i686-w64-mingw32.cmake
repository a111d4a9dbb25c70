# 32-bit Windows cross build with MinGW-w64, run under wine32 when testing. The win32 thread model:
# the posix one links a threads runtime into every program (thread-context, vectored-exception,
# process and affinity imports, and GetTickCount64) that nothing here uses.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-win32)
set(CMAKE_ASM_COMPILER i686-w64-mingw32-gcc-win32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

if(DEFINED ENV{WINE32_ROOT})
  set(_wine32_root "$ENV{WINE32_ROOT}")
else()
  set(_wine32_root "/opt/car-dealers-wine32")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR "${_wine32_root}/wine32")
