#!/usr/bin/env bash
# Builds the catalogue fuzz target with libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# and runs it for a bounded time. Exits non-zero when the fuzzer finds a crash (its input is left
# in build/fuzz/ as crash-*).
#
#   bash scripts/fuzz.sh [seconds]      # default 60
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/build/fuzz"

# clang with its fuzzer runtime (Debian 12: clang-14, libclang-rt-14-dev).
have_fuzzer_runtime() {
  command -v clang++ >/dev/null &&
    echo 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }' |
      clang++ -x c++ -fsanitize=fuzzer - -o /dev/null 2>/dev/null
}
if ! have_fuzzer_runtime; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  $sudo apt-get install -y clang
  have_fuzzer_runtime || $sudo apt-get install -y libclang-rt-14-dev
fi

mkdir -p "$out/tmp" "$out/corpus"
# The sources the target needs: the catalogue, the link layer's packets, the platform helpers.
sources=("$root"/fuzz/catalogue_fuzz.cpp "$root"/src/catalogue/*.cpp "$root"/src/link/*.cpp
  "$root"/src/platform/*.cpp)
# This is a Linux build: the Windows halves of the platform code stay out.
for i in "${!sources[@]}"; do
  [[ "${sources[$i]}" == *_windows.cpp ]] && unset 'sources[i]'
done
clang++ -std=c++20 -g -O1 -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I "$root/src" "${sources[@]}" -o "$out/catalogue_fuzz" -lpthread

# New inputs go to build/fuzz/corpus; the seeds stay as they are.
cd "$out"
status=0
TMPDIR="$out/tmp" ./catalogue_fuzz -max_total_time="$seconds" -print_final_stats=1 \
  corpus "$root/fuzz/corpus/catalogue" || status=$?
rm -rf "$out"/tmp/norvik-fuzz-*
exit "$status"
