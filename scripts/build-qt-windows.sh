#!/usr/bin/env bash
# Qt for 64-bit Windows (Core, Gui, Widgets, PrintSupport, Network, Test and the `windows` and
# `offscreen` platform plugins), built once from Debian's own source package qt6-base with this
# project's MinGW-w64 toolchain and the host tools of Debian's Qt, as static libraries, into a cache
# outside the clone. Later runs find it there and return at once.
#
#   scripts/build-qt-windows.sh          prints the folder of the finished Qt (its last line)
#   scripts/build-qt-windows.sh --cached prints it when it is in the cache, else fails at once
#
# The cache is keyed by the Qt version, the cross compiler's version and this script's options, so a
# new toolchain or a changed option builds afresh beside the old one. A folder without the mark of a
# finished build (an interrupted or failed run) is removed and built again. KEYLOFT_QT_CACHE moves
# the cache (default ~/.cache/keyloft).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/setup.sh g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools ninja-build cmake dpkg-dev

qt_version=$(dpkg-query -W -f '${Version}' qt6-base-dev | sed 's/[+~-].*//')
compiler_version=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)
cache=${KEYLOFT_QT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/keyloft}

# Only what Keyloft uses: no SQL, D-Bus, OpenGL, Vulkan, XML, Concurrent or TLS, no tablet input
# (Debian's source lacks wintab.h); the bundled libraries for the rest (zlib, PCRE2, FreeType for the
# offscreen platform, HarfBuzz, libpng, double-conversion, md4c).
options=(
  -DBUILD_SHARED_LIBS=OFF -DCMAKE_BUILD_TYPE=Release
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF
  -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF -DFEATURE_ssl=OFF -DFEATURE_schannel=OFF
  -DFEATURE_tabletevent=OFF -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF -DFEATURE_direct2d=OFF -DFEATURE_zstd=OFF
  -DFEATURE_icu=OFF -DFEATURE_glib=OFF -DFEATURE_jpeg=OFF -DFEATURE_gif=ON -DFEATURE_png=ON
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF
  -DFEATURE_system_png=OFF -DFEATURE_system_doubleconversion=OFF
)
key=$(printf '%s\n' "$qt_version" "$compiler_version" "${options[@]}" | sha256sum | cut -c1-12)
prefix=$cache/qt-$qt_version-windows-gcc$compiler_version-$key
finished=$prefix/keyloft-qt-finished

directwrite=$prefix/lib/keyloft-directwrite
# Qt 6.4 compiles its DirectWrite font code only with Direct2D, which is left out here, yet its
# `windows` platform and its printing refer to that code: it is compiled on its own from the same
# source (cmake/qt-windows-directwrite) into $directwrite, and Keyloft's programs take it in.
# $1: the folder of the qt6-base source tree, $2: a work folder.
add_directwrite() {
  cmake -S "$root/cmake/qt-windows-directwrite" -B "$2/directwrite" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_GUI_SOURCE="$1/src/gui" -DCMAKE_INSTALL_PREFIX="$prefix" >"$2/directwrite.log" 2>&1 &&
    nice -n 10 cmake --build "$2/directwrite" >>"$2/directwrite.log" 2>&1 &&
    cmake --install "$2/directwrite" >>"$2/directwrite.log" 2>&1 || {
    echo "build-qt-windows.sh: compiling Qt's DirectWrite font code failed (see $2/directwrite.log)" >&2
    return 1
  }
}

if [ -f "$finished" ] && [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  # A Qt of an earlier version of this script: only the DirectWrite code is missing.
  if ! ls "$directwrite"/*.obj >/dev/null 2>&1; then
    scripts/setup.sh --enable-sources
    addition=$(mktemp -d)
    (cd "$addition" && apt-get source --only-source --download-only "qt6-base=$(dpkg-query -W -f '${Version}' qt6-base-dev)" &&
      tar xJf qt6-base_*.orig.tar.xz --wildcards '*/src/gui/text/windows/*') >"$addition/source.log" 2>&1 || {
      echo "build-qt-windows.sh: apt-get source qt6-base failed (see $addition/source.log)" >&2
      exit 1
    }
    add_directwrite "$(find "$addition" -mindepth 1 -maxdepth 1 -type d | head -n 1)" "$addition"
    rm -rf "$addition"
  fi
  echo "$prefix"
  exit 0
fi
if [ "${1:-}" = "--cached" ]; then
  exit 1
fi
# One build at a time: a second run waits for the first and then finds its Qt.
mkdir -p "$cache"
exec 9>"$prefix.lock"
if ! flock -n 9; then
  echo "build-qt-windows.sh: another run is building this Qt; waiting for it" >&2
  flock 9
fi
if [ -f "$finished" ] && [ -f "$prefix/lib/cmake/Qt6/Qt6Config.cmake" ]; then
  echo "$prefix"
  exit 0
fi

started=$SECONDS
work=$cache/qt-$qt_version-windows-work-$key
rm -rf "$prefix" "$work"
mkdir -p "$work"
echo "build-qt-windows.sh: building Qt $qt_version for Windows into $prefix (about an hour on 2 cores)" >&2

# Debian's source of the same version as the Linux build, with Debian's patches (its security fixes).
scripts/setup.sh --enable-sources
(cd "$work" && apt-get source --only-source "qt6-base=$(dpkg-query -W -f '${Version}' qt6-base-dev)") \
  >"$work/source.log" 2>&1 || {
  echo "build-qt-windows.sh: apt-get source qt6-base failed (see $work/source.log)" >&2
  exit 1
}
source_tree=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
if [ -z "$source_tree" ] || [ ! -f "$source_tree/CMakeLists.txt" ]; then
  echo "build-qt-windows.sh: apt-get source qt6-base gave no source tree" >&2
  exit 1
fi

cmake -S "$source_tree" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >"$work/configure.log" 2>&1 || {
  echo "build-qt-windows.sh: configuring Qt failed (see $work/configure.log)" >&2
  exit 1
}
echo "build-qt-windows.sh: configured after $((SECONDS - started)) s" >&2
nice -n 10 cmake --build "$work/build" -j2 >"$work/build.log" 2>&1 || {
  echo "build-qt-windows.sh: building Qt failed (see $work/build.log)" >&2
  tail -n 20 "$work/build.log" >&2
  exit 1
}
cmake --install "$work/build" >"$work/install.log" 2>&1
add_directwrite "$source_tree" "$work"
touch "$finished"
rm -rf "$work"
echo "build-qt-windows.sh: Qt for Windows built in $((SECONDS - started)) s" >&2
echo "$prefix"
