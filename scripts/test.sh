#!/usr/bin/env bash
# Builds Norvik and runs every test: a normal build with warnings as errors and the house checks
# (layers, clang-format, clang-tidy), a short fuzzing run of the catalogue, then the same tests
# under AddressSanitizer+UndefinedBehaviorSanitizer and under ThreadSanitizer, and last the
# Windows build under Wine against our own qxUSBDev.dll (scripts/wine-suite.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

run_suite() {  # folder, extra cmake arguments...
  local dir="$1"; shift
  cmake -S "$root" -B "$dir" -G Ninja -DNORVIK_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

run_suite "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
bash "$root/scripts/check-style.sh" "$root/build-test"
bash "$root/scripts/fuzz.sh" 60
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DNORVIK_SANITIZE=address,undefined
# ThreadSanitizer needs the non-randomised address layout it was built for on newer kernels.
TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp" \
  setarch "$(uname -m)" -R bash -c "set -euo pipefail; $(declare -f run_suite); root='$root' jobs='$jobs' run_suite '$root/build-tsan' -DCMAKE_BUILD_TYPE=Debug -DNORVIK_SANITIZE=thread"
bash "$root/scripts/wine-suite.sh" "$root/build-test"
