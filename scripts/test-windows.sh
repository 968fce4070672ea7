#!/usr/bin/env bash
# The core (cipher, storage, platform) and keyloft-cli cross-built for 64-bit Windows with
# MinGW-w64 and their tests run under Wine, in build-windows/. `--build-only` stops after the build;
# any other arguments are passed on to ctest: `-L unit` runs the fast tests only,
# `-R '^cli_tests_[123]$'` the kill and race trials.
#
#   scripts/test-windows.sh --window [ctest arguments]
#
# adds the window to the same build folder (the core's objects are reused): keyloft.exe beside
# keyloft-cli.exe, the window's tests under Wine with the offscreen platform, and the installer
# Keyloft-<version>-setup.exe, installed, started and uninstalled silently. Debian ships no Qt for
# Windows: scripts/build-qt-windows.sh builds it once into a cache (about 47 minutes on 2 cores).
# KEYLOFT_WINDOWS_QT=build (the default) builds it when the cache has none; =cached leaves the
# window out then, saying so, and passes.
set -euo pipefail
build_only=0
if [ "${1:-}" = --build-only ]; then
  build_only=1
  shift
fi
cd "$(dirname "$0")/.."
root=$(pwd)
build=${KEYLOFT_WINDOWS_BUILD:-$root/build-windows}
window=0
if [ "${1:-}" = "--window" ]; then
  window=1
  shift
fi

window_packages=()
gui_options=(-DKEYLOFT_GUI=OFF)
if [ "$window" = 1 ]; then
  case ${KEYLOFT_WINDOWS_QT:-build} in
    cached)
      if ! qt_prefix=$(scripts/build-qt-windows.sh --cached | tail -n 1); then
        echo "test-windows.sh: the window for Windows was left out: no Qt for Windows is cached" \
          "(scripts/build-qt-windows.sh builds it once, about an hour on 2 cores)"
        exit 0
      fi
      ;;
    build) qt_prefix=$(scripts/build-qt-windows.sh | tail -n 1) ;;
    *)
      echo "test-windows.sh: KEYLOFT_WINDOWS_QT is cached or build, not \"$KEYLOFT_WINDOWS_QT\"" >&2
      exit 1
      ;;
  esac
  # rsvg-convert makes the window's pictures, icotool its icon, makensis the installer; the
  # window's tests lay out with the DejaVu fonts, as on Linux.
  window_packages=(librsvg2-bin icoutils nsis fonts-dejavu-core)
  gui_options=(-DKEYLOFT_GUI=ON -DCMAKE_PREFIX_PATH="$qt_prefix" -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake)
fi

scripts/setup.sh g++-mingw-w64-x86-64-posix wine64 wine googletest libcli11-dev nlohmann-json3-dev \
  ninja-build cmake dpkg-dev make autoconf automake libtool "${window_packages[@]}"

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

# zxcvbn-c (password strength) and utf8proc (Unicode normalisation) from Debian's source packages,
# each compiled straight into a static library: one C file each, no configure step. zxcvbn-c's
# dictionary is C source that its host tool dictgen makes from the word lists.
cross_cc=x86_64-w64-mingw32-gcc-posix
cross_ar=x86_64-w64-mingw32-ar
# Unpacks a source package into a fresh folder, with the log of apt-get source beside it.
unpack_source() {
  local package=$1 folder=$2
  rm -rf "$folder"
  mkdir -p "$folder"
  (cd "$folder" && apt-get source --only-source "$package") >"$folder.log" 2>&1
}
zxcvbn_prefix=$build/zxcvbn-install
if [ ! -f "$zxcvbn_prefix/lib/libzxcvbn.a" ] || [ ! -f "$zxcvbn_prefix/include/zxcvbn.h" ]; then
  scripts/setup.sh --enable-sources
  started=$SECONDS
  zxcvbn_source=$build/zxcvbn-source
  # zxcvbn-c's own source package; where the archive does not serve it, the copy of the same library
  # that the source package of its Haskell binding carries (an earlier release with the same API).
  if ! unpack_source zxcvbn-c "$zxcvbn_source"; then
    echo "test-windows.sh: apt-get source zxcvbn-c failed (see $zxcvbn_source.log); using haskell-zxcvbn-c's copy"
    unpack_source haskell-zxcvbn-c "$zxcvbn_source" || {
      echo "test-windows.sh: apt-get source haskell-zxcvbn-c failed (see $zxcvbn_source.log)" >&2
      exit 1
    }
  fi
  zxcvbn_tree=$(dirname "$(find "$zxcvbn_source" -mindepth 2 -maxdepth 2 -name zxcvbn.c | head -n 1)")
  if [ ! -f "$zxcvbn_tree/zxcvbn.c" ] || [ ! -f "$zxcvbn_tree/dict-generate.cpp" ]; then
    echo "test-windows.sh: no zxcvbn.c and dict-generate.cpp in $zxcvbn_source" >&2
    exit 1
  fi
  # The word lists in the order the upstream makefile names them.
  words=()
  for list in $(sed -n 's/^WORDS *= *//p' "$zxcvbn_tree/makefile"); do
    [ -f "$zxcvbn_tree/$list" ] && words+=("$list")
  done
  # The Windows build of zxcvbn.c includes a precompiled-header file, which here has nothing to add.
  (cd "$zxcvbn_tree" &&
    : >stdafx.h &&
    g++ -std=c++11 -O2 -o dictgen dict-generate.cpp &&
    ./dictgen -o dict-src.h "${words[@]}" >/dev/null &&
    "$cross_cc" -O2 -c zxcvbn.c -o zxcvbn.o)
  mkdir -p "$zxcvbn_prefix/lib" "$zxcvbn_prefix/include"
  rm -f "$zxcvbn_prefix/lib/libzxcvbn.a"
  "$cross_ar" rcs "$zxcvbn_prefix/lib/libzxcvbn.a" "$zxcvbn_tree/zxcvbn.o"
  cp "$zxcvbn_tree/zxcvbn.h" "$zxcvbn_prefix/include/"
  echo "test-windows.sh: zxcvbn-c for Windows built in $((SECONDS - started)) s"
fi
utf8proc_prefix=$build/utf8proc-install
if [ ! -f "$utf8proc_prefix/lib/libutf8proc.a" ] || [ ! -f "$utf8proc_prefix/include/utf8proc.h" ]; then
  scripts/setup.sh --enable-sources
  started=$SECONDS
  utf8proc_source=$build/utf8proc-source
  unpack_source utf8proc "$utf8proc_source" || {
    echo "test-windows.sh: apt-get source utf8proc failed (see $utf8proc_source.log)" >&2
    exit 1
  }
  utf8proc_tree=$(dirname "$(find "$utf8proc_source" -mindepth 2 -maxdepth 2 -name utf8proc.c | head -n 1)")
  # utf8proc.c includes its Unicode tables (utf8proc_data.c).
  "$cross_cc" -O2 -DUTF8PROC_STATIC -c "$utf8proc_tree/utf8proc.c" -o "$utf8proc_tree/utf8proc.o"
  mkdir -p "$utf8proc_prefix/lib" "$utf8proc_prefix/include"
  rm -f "$utf8proc_prefix/lib/libutf8proc.a"
  "$cross_ar" rcs "$utf8proc_prefix/lib/libutf8proc.a" "$utf8proc_tree/utf8proc.o"
  cp "$utf8proc_tree/utf8proc.h" "$utf8proc_prefix/include/"
  echo "test-windows.sh: utf8proc for Windows built in $((SECONDS - started)) s"
fi
# zlib with the minizip of its contrib/minizip (the import's ZIP archives) and expat (KeePass XML)
# from Debian's source packages, each compiled into static libraries. Where the archive does not
# serve the newest version of a source package (a security update its mirror lacks), the newest
# one it does serve is taken.
unpack_served_source() {
  local package=$1 folder=$2 version
  unpack_source "$package" "$folder" && return 0
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -urV); do
    rm -rf "$folder"
    mkdir -p "$folder"
    if (cd "$folder" && apt-get source --only-source "$package=$version") >"$folder.log" 2>&1; then
      echo "test-windows.sh: $package $version from the archive (the newest source was not served)"
      return 0
    fi
  done
  return 1
}
minizip_prefix=$build/minizip-install
if [ ! -f "$minizip_prefix/lib/libminizip.a" ] || [ ! -f "$minizip_prefix/include/minizip/unzip.h" ]; then
  scripts/setup.sh --enable-sources
  started=$SECONDS
  zlib_source=$build/zlib-source
  unpack_served_source zlib "$zlib_source" || {
    echo "test-windows.sh: apt-get source zlib failed (see $zlib_source.log)" >&2
    exit 1
  }
  zlib_tree=$(dirname "$(find "$zlib_source" -mindepth 2 -maxdepth 2 -name zlib.h | head -n 1)")
  if [ ! -f "$zlib_tree/contrib/minizip/unzip.c" ]; then
    echo "test-windows.sh: no contrib/minizip in $zlib_tree" >&2
    exit 1
  fi
  mkdir -p "$minizip_prefix/lib" "$minizip_prefix/include/minizip" "$build/minizip-objects"
  rm -f "$minizip_prefix/lib/libz.a" "$minizip_prefix/lib/libminizip.a" "$build/minizip-objects"/*.o
  for part in adler32 compress crc32 deflate infback inffast inflate inftrees trees uncompr zutil; do
    "$cross_cc" -O2 -c "$zlib_tree/$part.c" -o "$build/minizip-objects/z-$part.o"
  done
  "$cross_ar" rcs "$minizip_prefix/lib/libz.a" "$build/minizip-objects"/z-*.o
  for part in ioapi unzip zip; do
    "$cross_cc" -O2 -I"$zlib_tree" -c "$zlib_tree/contrib/minizip/$part.c" -o "$build/minizip-objects/mz-$part.o"
  done
  "$cross_ar" rcs "$minizip_prefix/lib/libminizip.a" "$build/minizip-objects"/mz-*.o
  cp "$zlib_tree/zlib.h" "$zlib_tree/zconf.h" "$minizip_prefix/include/"
  cp "$zlib_tree/contrib/minizip/"{ioapi.h,unzip.h,zip.h,crypt.h} "$minizip_prefix/include/minizip/"
  echo "test-windows.sh: zlib and minizip for Windows built in $((SECONDS - started)) s"
fi
expat_prefix=$build/expat-install
if [ ! -f "$expat_prefix/lib/libexpat.a" ] || [ ! -f "$expat_prefix/include/expat.h" ]; then
  scripts/setup.sh --enable-sources
  started=$SECONDS
  expat_source=$build/expat-source
  unpack_served_source expat "$expat_source" || {
    echo "test-windows.sh: apt-get source expat failed (see $expat_source.log)" >&2
    exit 1
  }
  expat_tree=$(dirname "$(find "$expat_source" -mindepth 2 -maxdepth 3 -name CMakeLists.txt \
    -path '*expat*' -exec grep -l 'project(expat' {} + | head -n 1)")
  cmake -S "$expat_tree" -B "$build/expat-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$expat_prefix" -DEXPAT_SHARED_LIBS=OFF \
    -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF \
    -DEXPAT_BUILD_PKGCONFIG=OFF >"$build/expat-configure.log"
  # Debian's patches test "XML_DTD == 1", as its autotools build defines it; expat's CMake build
  # defines it empty.
  sed -i 's/^#define XML_DTD$/#define XML_DTD 1/; s/^#define XML_NS$/#define XML_NS 1/' "$build/expat-build/expat_config.h"
  cmake --build "$build/expat-build" -j2 >"$build/expat-build.log"
  cmake --install "$build/expat-build" >"$build/expat-install.log"
  echo "test-windows.sh: expat for Windows built in $((SECONDS - started)) s"
fi
echo "test-windows.sh: GoogleTest, libsodium, zxcvbn-c, utf8proc, zlib, minizip and expat for Windows ready after $SECONDS s"

# The header-only libraries, seen through a folder of their own so that the cross compiler never
# searches the host's /usr/include.
headers=$build/header-only
mkdir -p "$headers"
ln -sfn /usr/include/CLI "$headers/CLI"
ln -sfn /usr/include/nlohmann "$headers/nlohmann"

# Release without debug information, at -O2 as the Linux build (GCC 12 reports false -Wrestrict
# warnings inside std::string at -O3). The window's options change no compile command of the
# core: adding or leaving out the window rebuilds only the window.
cmake -S . -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DKEYLOFT_WINE64="$wine64" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$wine64" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
  -DCMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES="$headers" \
  -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" \
  -DKEYLOFT_SODIUM_PREFIX="$sodium_prefix" \
  -DKEYLOFT_ZXCVBN_PREFIX="$zxcvbn_prefix" \
  -DKEYLOFT_UTF8PROC_PREFIX="$utf8proc_prefix" \
  -DKEYLOFT_MINIZIP_PREFIX="$minizip_prefix" \
  -DKEYLOFT_EXPAT_PREFIX="$expat_prefix" \
  "${gui_options[@]}" -DKEYLOFT_BENCH=OFF -DKEYLOFT_WERROR=ON
cmake --build "$build" -j2
echo "test-windows.sh: cross-built after $SECONDS s"
[ "$build_only" = 1 ] && exit 0

# A Wine prefix of its own, inside the build folder: nothing of the user's ~/.wine is touched.
export WINEPREFIX=$build/wine-prefix
export WINEDEBUG=-all
# No Mono, no Gecko; no menu entries on the host's desktop for the installer's Start-menu entry.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
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

# Wine now and then leaves a console host (conhost.exe) running after a test program has ended. It
# holds the program's output pipe, so ctest would wait for it until the test's time limit. The tests
# start the command-line tool without a console, so while they run, a console host that has
# outlived every test program by 20 s is ended. Wine's own services run from C:\windows.
# The processes of this run's Wine prefix whose command line matches $1: other Wine runs on the
# machine (each with a prefix of its own) are never looked at, let alone ended.
own_processes() {
  local pid
  for pid in $(pgrep -f "$1"); do
    tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid"
  done
  return 0
}
test_programs_running() {
  local pid
  for pid in $(own_processes '[.]exe'); do
    ps -o args= -p "$pid" 2>/dev/null | grep -vqi '^c:[\\]windows[\\]' && return 0
  done
  return 1
}
end_stray_console_hosts() {
  local idle=0 hosts
  while sleep 5; do
    hosts=$(own_processes 'conhost\.exe')
    if [ -n "$hosts" ] && ! test_programs_running; then
      idle=$((idle + 5))
      if [ "$idle" -ge 20 ]; then
        echo "test-windows.sh: ending a console host that outlived its test program" >&2
        kill $hosts 2>/dev/null || true
        idle=0
      fi
    else
      idle=0
    fi
  done
}
end_stray_console_hosts &
reaper=$!

# The installer as a user runs it, silently: it installs the programs into Program Files with a
# Start-menu entry and the settings' registry keys; the installed keyloft-cli.exe and keyloft.exe
# start (the window under the offscreen platform, until it holds its single-instance lock); the
# uninstaller removes Program Files\Keyloft and the entry and leaves a profile in the user's data
# folder alone.
installer_fails() {
  echo "test-windows.sh: installer check: $*" >&2
  return 1
}
check_installer() {
  local version setup user programs start_entry data_folder lock window waited
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  setup=$build/Keyloft-$version-setup.exe
  user=$(id -un)
  programs="$WINEPREFIX/drive_c/Program Files/Keyloft"
  start_entry="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Keyloft.lnk"
  data_folder="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Keyloft"
  lock="$WINEPREFIX/drive_c/users/$user/keyloft.lock"
  [ -f "$setup" ] || installer_fails "$setup was not built" || return 1
  # What an earlier, interrupted run left.
  rm -rf "$programs" "$start_entry" "$data_folder" "$lock"

  bounded 300 "the installer" "$wine64" "$setup" /S
  local file
  for file in keyloft.exe keyloft-cli.exe Keyloft.html welcome2.gif Uninstall.exe; do
    [ -f "$programs/$file" ] || installer_fails "no $file in Program Files\\Keyloft" || return 1
  done
  [ -f "$start_entry" ] || installer_fails "no Start-menu entry" || return 1
  # The key of every setting that the installer script names (Database, Timer, ...).
  local keys key
  keys=$(timeout 60 "$wine64" reg query 'HKEY_CLASSES_ROOT\Licenses\Corvane\Keyloft' </dev/null 2>/dev/null | tr -d '\r') || true
  for key in $(sed -n 's/^ *!insertmacro SettingKey "\([A-Za-z]*\)"$/\1/p' packaging/windows/keyloft.nsi); do
    grep -qxF "HKEY_CLASSES_ROOT\\Licenses\\Corvane\\Keyloft\\$key" <<<"$keys" ||
      installer_fails "no registry key HKEY_CLASSES_ROOT\\Licenses\\Corvane\\Keyloft\\$key" || return 1
  done

  local shown
  shown=$(timeout 60 "$wine64" 'C:\Program Files\Keyloft\keyloft-cli.exe' --version </dev/null 2>&1 | tr -d '\r') || true
  [ "$shown" = "$version" ] || [ "$shown" = "keyloft-cli $version" ] ||
    installer_fails "the installed keyloft-cli.exe --version showed \"$shown\"" || return 1
  # A profile in the user's data folder, made by the installed tool.
  mkdir -p "$data_folder"
  timeout 120 "$wine64" 'C:\Program Files\Keyloft\keyloft-cli.exe' --database "C:\\users\\$user\\AppData\\Roaming\\Keyloft" \
    create Trial </dev/null >/dev/null 2>&1 || true
  [ -f "$data_folder/Trial.dat" ] || installer_fails "the installed keyloft-cli.exe made no profile" || return 1

  QT_QPA_PLATFORM=offscreen "$wine64" 'C:\Program Files\Keyloft\keyloft.exe' </dev/null >/dev/null 2>&1 &
  window=$!
  waited=0
  while [ ! -e "$lock" ] && kill -0 "$window" 2>/dev/null && [ "$waited" -lt 120 ]; do
    sleep 1
    waited=$((waited + 1))
  done
  sleep 3
  if ! kill -0 "$window" 2>/dev/null || [ ! -e "$lock" ]; then
    kill "$window" 2>/dev/null || true
    wait "$window" 2>/dev/null || true
    installer_fails "the installed keyloft.exe did not start (or ended at once)" || return 1
  fi
  kill "$window" 2>/dev/null || true
  wait "$window" 2>/dev/null || true
  rm -f "$lock"  # left by the window ended from outside

  bounded 120 "the uninstaller" "$wine64" 'C:\Program Files\Keyloft\Uninstall.exe' /S
  # The uninstaller runs on from a copy of itself in the temporary folder.
  waited=0
  while [ -e "$programs" ] && [ "$waited" -lt 120 ]; do
    sleep 1
    waited=$((waited + 1))
  done
  [ ! -e "$programs" ] || installer_fails "Program Files\\Keyloft is still there after uninstalling:" \
    "$(ls -A "$programs" | tr '\n' ' ')" || return 1
  [ ! -e "$start_entry" ] || installer_fails "the Start-menu entry is still there after uninstalling" || return 1
  [ -f "$data_folder/Trial.dat" ] || installer_fails "uninstalling removed the profile in the user's data folder" || return 1
  echo "test-windows.sh: installer check passed: installed, started, uninstalled; the user's profile kept"
}

status=0
if [ "$window" = 1 ]; then
  # The window's tests only: the core's ran in the step without the window.
  (cd "$build" && ctest --output-on-failure -j2 --timeout 1200 -L gui "$@") ||
    status=$?
  check_installer || status=1
else
  # Each program start under Wine is slow: shorter crash and race trials than on Linux.
  (cd "$build" && KEYLOFT_CRASH_KILLS=${KEYLOFT_CRASH_KILLS:-10} KEYLOFT_RACE_SAVES=${KEYLOFT_RACE_SAVES:-20} \
    ctest --output-on-failure -j2 --timeout 1200 "$@") || status=$?
fi
kill "$reaper" 2>/dev/null || true
"$wineserver" -k || true
echo "test-windows.sh: tests under Wine ended after $SECONDS s"
exit $status
