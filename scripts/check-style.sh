#!/usr/bin/env bash
# House habits, checked over every C++ file of the repository: includes point down the layers,
# the code is formatted as .clang-format says, and clang-tidy's chosen checks (.clang-tidy) find
# nothing. Needs a build folder with compile_commands.json (the first argument).
#
#   bash scripts/check-style.sh build-test
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:?usage: check-style.sh BUILD_DIR}"
cd "$root"

python3 scripts/check-layers.py

mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${files[@]}"; then
  echo "clang-format: the files above differ from .clang-format (run clang-format -i on them)"
  exit 1
fi
echo "clang-format: ${#files[@]} files formatted"

mapfile -t units < <(git ls-files -- '*.cpp' | grep -v '^fuzz/')
run-clang-tidy -p "$build" -j "$(nproc)" -quiet "${units[@]/#/$root/}" > "$build/clang-tidy.log" 2>&1 ||
  true
if grep -qE '(warning|error): .*\[[a-z]' "$build/clang-tidy.log"; then
  sed 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" | grep -E '(warning|error): .*\[[a-z]'
  echo "clang-tidy: findings above"
  exit 1
fi
echo "clang-tidy: ${#units[@]} files clean"
