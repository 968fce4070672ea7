#!/usr/bin/env bash
# Checks that every C++ file of the project is laid out as .clang-format says (clang-format from Debian).
# With --fix, lays them out instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
if ! clang-format --dry-run -Werror "${files[@]}"; then
  echo "check-format.sh: the files above are not laid out as .clang-format says; scripts/check-format.sh --fix lays them out" >&2
  exit 1
fi
echo "check-format.sh: ${#files[@]} files laid out as .clang-format says"
