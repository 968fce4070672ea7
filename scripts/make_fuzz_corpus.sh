#!/usr/bin/env bash
# Makes the seed inputs of every fuzz target in SEEDS/<target>/ (default build-fuzz/fuzz-seeds):
# small profiles from the profile encoder, GIFs from the tests' GIF builder and the welcome
# animation, settings files and typed dates. Needs the fuzz build (scripts/fuzz.sh makes it).
# Usage: scripts/make_fuzz_corpus.sh [BUILD [SEEDS]]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seeds=${2:-$build/fuzz-seeds}

if [ ! -x "$build/bin/keyloft_fuzz_seeds" ]; then
  echo "make_fuzz_corpus.sh: $build/bin/keyloft_fuzz_seeds is missing; build the target keyloft_fuzz first" >&2
  exit 1
fi
rm -rf "$seeds"
mkdir -p "$seeds"
"$build/bin/keyloft_fuzz_seeds" "$seeds"
cp assets/welcome2.gif "$seeds/fuzz_gif/welcome2.gif"
