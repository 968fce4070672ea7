#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each one for SECONDS (default 60). Fails on any crash, leak, sanitizer
# report, timeout or memory limit, leaving the input in build-fuzz/fuzz-findings/.
# Usage: scripts/fuzz.sh [SECONDS]
# Each target starts from its seeds (remade every run), the inputs it kept in earlier runs
# (build-fuzz/fuzz-corpus/<target>/) and the regression inputs in tests/fuzz/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${KEYLOFT_FUZZ_BUILD:-build-fuzz}
jobs=${KEYLOFT_FUZZ_BUILD_JOBS:-2}

if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: scripts/fuzz.sh [SECONDS]" >&2
  exit 2
fi

scripts/setup.sh
if [ ! -f "$build/CMakeCache.txt" ]; then
  CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DKEYLOFT_FUZZ=ON -DKEYLOFT_GUI=OFF -DKEYLOFT_TESTS=OFF -DKEYLOFT_BENCH=OFF
else
  cmake "$build" >/dev/null
fi
cmake --build "$build" --target keyloft_fuzz -j"$jobs"
scripts/make_fuzz_corpus.sh "$build" "$build/fuzz-seeds"

findings="$build/fuzz-findings"
logs="$build/fuzz-logs"
mkdir -p "$findings" "$logs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

failed=()
while read -r target; do
  [ -n "$target" ] || continue
  corpus="$build/fuzz-corpus/$target"
  mkdir -p "$corpus"
  inputs=("$corpus" "$build/fuzz-seeds/$target")
  [ -d "tests/fuzz/$target" ] && inputs+=("tests/fuzz/$target")
  log="$logs/$target.log"
  echo "== $target: ${seconds} s"
  set +e
  "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$findings/$target-" "${inputs[@]}" >"$log" 2>&1
  rc=$?
  set -e
  # libFuzzer ends with a non-zero status on every finding; the log is checked as well, so that a
  # report that did not stop the run still fails it.
  if [ $rc -ne 0 ] || grep -qE '^==[0-9]+==ERROR|runtime error:|^SUMMARY: |ERROR: libFuzzer|check failed' "$log"; then
    echo "   FAILED (exit status $rc); see $log and $findings/" >&2
    grep -E 'ERROR|runtime error|SUMMARY|check failed|Test unit written' "$log" | head -20 >&2 || true
    failed+=("$target")
  else
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    echo "   ok: ${runs:-?} inputs, corpus $(find "$corpus" -type f | wc -l) files"
  fi
done <"$build/fuzz_targets.txt"

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz.sh: findings in ${failed[*]}" >&2
  exit 1
fi
