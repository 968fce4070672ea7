#!/usr/bin/env bash
# The core (cipher, storage, platform) and keyloft-cli cross-built for 64-bit Windows with
# MinGW-w64 and their tests run under Wine, in build-windows/. The Qt window is not part of this
# build: Debian ships no Qt for Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${KEYLOFT_WINDOWS_BUILD:-$root/build-windows}

scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 wine googletest libcli11-dev nlohmann-json3-dev \
  ninja-build cmake dpkg-dev make autoconf automake libtool

wine64=$(dpkg -L wine64 | grep -E '/wine64$' | head -n 1)
wineserver=$(dpkg -L wine64 | grep -E '/wineserver(64)?$' | head -n 1)
if [ -z "$wine64" ] || [ ! -x "$wine64" ]; then
  echo "test-windows.sh: the wine64 loader was not found (dpkg -L wine64)" >&2
  exit 1
fi
toolchain=$root/cmake/mingw-w64.cmake
mkdir -p "$build"

# GoogleTest from Debian's source package, cross-built once into the build folder.
gtest_prefix=$build/googletest-install
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$build/googletest-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$gtest_prefix" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF
  cmake --build "$build/googletest-build" -j2
  cmake --install "$build/googletest-build"
fi

# libsodium from Debian's source package (Debian ships no Windows build of it), cross-built once
# into the build folder as a static library. `apt-get source` needs the archive's source entries,
# which setup.sh enables (as root or through sudo) when they are missing.
sodium_prefix=$build/libsodium-install
if [ ! -f "$sodium_prefix/lib/libsodium.a" ] || [ ! -f "$sodium_prefix/include/sodium.h" ]; then
  scripts/setup.sh --enable-sources
  sodium_source=$build/libsodium-source
  rm -rf "$sodium_source"
  mkdir -p "$sodium_source"
  (cd "$sodium_source" && apt-get source --only-source libsodium)
  sodium_tree=$(find "$sodium_source" -mindepth 1 -maxdepth 1 -type d -name 'libsodium-*' | head -n 1)
  if [ -z "$sodium_tree" ]; then
    echo "test-windows.sh: apt-get source libsodium gave no source tree" >&2
    exit 1
  fi
  # Debian's source tree has no configure script of its own (its build runs autoreconf too). No
  # stack protector: MinGW-w64 would need its libssp beside every program.
  (cd "$sodium_tree" &&
    autoreconf -fi >"$build/libsodium-autoreconf.log" 2>&1 &&
    ./configure --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix --prefix="$sodium_prefix" \
      --disable-shared --enable-static --disable-ssp >"$build/libsodium-configure.log" &&
    make -j2 >"$build/libsodium-make.log" &&
    make install >"$build/libsodium-install.log")
fi
echo "test-windows.sh: GoogleTest and libsodium for Windows ready after $SECONDS s"

# The header-only libraries, seen through a folder of their own so that the cross compiler never
# searches the host's /usr/include.
headers=$build/header-only
mkdir -p "$headers"
ln -sfn /usr/include/CLI "$headers/CLI"
ln -sfn /usr/include/nlohmann "$headers/nlohmann"

# Release without debug information, at -O2 as the Linux build (GCC 12 reports false -Wrestrict
# warnings inside std::string at -O3).
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DKEYLOFT_WINE64="$wine64" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$wine64" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES="$headers" \
  -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" \
  -DKEYLOFT_SODIUM_PREFIX="$sodium_prefix" \
  -DKEYLOFT_GUI=OFF -DKEYLOFT_BENCH=OFF -DKEYLOFT_WERROR=ON
cmake --build "$build" -j2
echo "test-windows.sh: cross-built after $SECONDS s"

# A Wine prefix of its own, inside the build folder: nothing of the user's ~/.wine is touched.
export WINEPREFIX=$build/wine-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Every step that waits for Wine has a time limit: a stuck Wine process fails the run with a
# message instead of stalling it.
bounded() {
  local limit=$1 what=$2
  shift 2
  timeout --kill-after=10 "$limit" "$@" </dev/null >/dev/null 2>&1 && return 0
  local status=$?
  if [ "$status" -ge 124 ]; then
    echo "test-windows.sh: $what did not finish within $limit s" >&2
    "$wineserver" -k >/dev/null 2>&1 || true
    exit 1
  fi
  return 0  # Wine's own exit codes here are not failures of Keyloft's tests
}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  bounded 300 "wineboot --init" "$wine64" wineboot --init
  bounded 120 "the Wine server's end after wineboot" "$wineserver" -w
fi

# One Wine server and its background services for the whole run, started here with their output
# elsewhere: started by a test program, they would keep its output pipe open and ctest would wait.
"$wineserver" -p </dev/null >/dev/null 2>&1 || true  # already running: fine
bounded 120 "the first Wine program" "$wine64" cmd.exe /c exit

status=0
# Each program start under Wine is slow: shorter crash and race trials than on Linux.
(cd "$build" && KEYLOFT_CRASH_KILLS=${KEYLOFT_CRASH_KILLS:-10} KEYLOFT_RACE_SAVES=${KEYLOFT_RACE_SAVES:-20} \
  ctest --output-on-failure -j2 --timeout 1200) || status=$?
"$wineserver" -k || true
echo "test-windows.sh: tests under Wine ended after $SECONDS s"
exit $status
