# Cross-builds the Windows programs on Linux with MinGW-w64 (posix threads).
# libstdc++, libgcc and winpthread are linked statically so the programs run
# on a bare Windows without the MinGW run-time DLLs. Test programs run under
# Wine, so `ctest --preset windows` works on a Linux machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VT_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VT_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian's wine64 package installs the loader here; the `wine` package adds
# a `wine` command on the PATH.
find_program(VT_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(VT_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VT_WINE})
endif()
