#!/usr/bin/env bash
# Checks that every C++ source and header of the project is laid out as
# .clang-format says; with --fix, lays them out so.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --format
files=()
while IFS= read -r file; do files+=("$file"); done < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
  echo "${#files[@]} files laid out as .clang-format says"
fi
