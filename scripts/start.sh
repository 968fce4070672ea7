#!/usr/bin/env bash
# Sets up, builds and starts Keyloft. Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target keyloft keyloft-cli
exec build/bin/keyloft "$@"
