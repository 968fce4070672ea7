# Cross-build for 64-bit Windows with Debian's MinGW-w64 (POSIX thread model, so std::thread and
# std::mutex work), linked statically: the .exe files need no DLL beside them. When the Wine loader
# is found, ctest runs the test programs under it.
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KEYLOFT_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KEYLOFT_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KEYLOFT_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KEYLOFT_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KEYLOFT_MINGW_TRIPLET})
# A library built for Windows outside that root, such as the Qt of scripts/build-qt-windows.sh, is
# named in CMAKE_PREFIX_PATH: its folder is searched as a root of its own.
list(APPEND CMAKE_FIND_ROOT_PATH ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Debian 12 keeps the 64-bit loader out of PATH (/usr/lib/wine/wine64).
find_program(KEYLOFT_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib/x86_64-linux-gnu/wine NO_CMAKE_FIND_ROOT_PATH)
if(KEYLOFT_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KEYLOFT_WINE64})
endif()
