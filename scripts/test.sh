#!/usr/bin/env bash
# Sets up, builds and runs every test: the layout of the source checked, the full build and its
# Debian package, a short trial with a file-sync engine, then the core again
# with AddressSanitizer and UndefinedBehaviorSanitizer, a short run of every fuzz target, then the
# core and keyloft-cli cross-built for Windows and tested under Wine, and the window and its
# installer for Windows (KEYLOFT_SKIP_WINDOWS=1 leaves both out). The time of each step is printed at the end, also when a step fails, with the
# processor time its programs took and the machine's load average (of the last minute) at its end:
# a step that took long on a busy machine shows it.
set -euo pipefail
cd "$(dirname "$0")/.."

times=()
step_name=""
step_started=0
step_cpu=0
ticks=$(getconf CLK_TCK)
# Processor seconds (user and system) of the finished programs this script started, theirs included.
children_cpu() {
  local stat
  read -r -a stat </proc/$$/stat
  echo $(((stat[15] + stat[16]) / ticks))
}
step_line() {
  local load
  read -r load _ </proc/loadavg
  printf '%6d s  cpu %6d s  load %5s  %s' $((SECONDS - step_started)) $(($(children_cpu) - step_cpu)) "$load" "$1"
}
# Starts the next step, ending the time of the one before.
step() {
  if [ -n "$step_name" ]; then times+=("$(step_line "$step_name")"); fi
  step_name=$1
  step_started=$SECONDS
  step_cpu=$(children_cpu)
}
report_times() {
  local status=$?
  if [ -n "$step_name" ]; then
    local how="done"
    [ "$status" -ne 0 ] && how="FAILED"
    times+=("$(step_line "$step_name ($how)")")
  fi
  echo "test.sh: time of each step (total $SECONDS s)"
  printf '  %s\n' "${times[@]}"
}
trap report_times EXIT

step "setup"
scripts/setup.sh

# Every C++ file laid out as .clang-format says (scripts/check-format.sh --fix lays them out).
step "formatting"
scripts/check-format.sh

# Line tables only: a failure's stack still names files and lines, and files build about a
# quarter quicker than with full debug information (the package strips it anyway).
step "Linux build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
  -DKEYLOFT_WERROR=ON
cmake --build build -j2
step "Linux tests"
(cd build && ctest --output-on-failure -j2)
# The Debian package from the same build: contents, validation, and the programs run unpacked.
step "Debian package"
deb=$(scripts/package.sh build | tail -n 1)
scripts/check_package.sh "$deb"

# A database folder kept in sync by a real file-sync engine (Syncthing), one round of each case.
step "sync-engine trial"
scripts/sync-trial.sh 1

step "sanitizer build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKEYLOFT_SANITIZE=ON -DKEYLOFT_GUI=OFF \
  -DKEYLOFT_BENCH=OFF -DKEYLOFT_WERROR=ON
cmake --build build-asan -j2
# The crash and race trials run shorter under the sanitizers (scripts/crash-trial.sh runs long ones).
step "sanitizer tests"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  KEYLOFT_CRASH_KILLS=10 KEYLOFT_RACE_SAVES=20 ctest --output-on-failure -j2)

step "fuzzing"
scripts/fuzz.sh 10

if [ "${KEYLOFT_SKIP_WINDOWS:-0}" != 1 ]; then
  step "Windows build"
  scripts/test-windows.sh --build-only
  step "Wine tests"
  scripts/test-windows.sh
  # The window in the same build folder, with the Qt for Windows of the cache (built there first
  # unless KEYLOFT_WINDOWS_QT=cached) and the installer.
  step "Windows window and installer"
  scripts/test-windows.sh --window
fi
step ""
