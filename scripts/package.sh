#!/usr/bin/env bash
# Builds the Debian package keyloft_<version>_<arch>.deb.
#   scripts/package.sh            a release build in build-package/, without tests or benchmarks
#   scripts/package.sh DIR        the build folder DIR as it is configured (the test script's build)
# Prints the path of the package on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >&2

if [ $# -ge 1 ]; then
  build="$1"
  [ -f "$build/CMakeCache.txt" ] || { echo "package.sh: $build is not a configured build folder" >&2; exit 2; }
else
  build=build-package
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKEYLOFT_TESTS=OFF -DKEYLOFT_BENCH=OFF >&2
fi
cmake --build "$build" -j2 >&2

out="$build/package"
rm -f "$out"/keyloft_*.deb
(cd "$build" && cpack -G DEB -B "$PWD/package" >&2)
deb=$(ls "$out"/keyloft_*.deb)
echo "$deb"
