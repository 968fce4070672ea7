#!/usr/bin/env bash
# A long crash trial of the save: kills keyloft-cli with SIGKILL at random moments of `add` on a
# 10,000-entry profile, KILLS times, and checks after every kill, with the program itself, that the
# profile opens at once with its old or its new content; then races readers against a writer for
# SAVES saves. The test suite runs the same tests with 100 kills and 200 saves.
#   scripts/crash-trial.sh [KILLS [SAVES]]     (defaults: 1000 kills, 1000 saves)
set -euo pipefail
cd "$(dirname "$0")/.."
kills=${1:-1000}
saves=${2:-1000}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target keyloft-cli cli_tests
KEYLOFT_CRASH_KILLS=$kills KEYLOFT_RACE_SAVES=$saves \
  build/bin/cli_tests --gtest_filter='*SaveSafetyBothForms.Killing*:*SaveSafetyBothForms.Readers*'
