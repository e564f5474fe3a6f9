#!/usr/bin/env bash
# Builds Norvik and runs every test: a normal build with warnings as errors and the house checks
# (layers, clang-format, clang-tidy), a short fuzzing run of the catalogue, then the same tests
# under AddressSanitizer+UndefinedBehaviorSanitizer and under ThreadSanitizer, and last the
# Windows builds and norvik-cli.exe under Wine against our own qxUSBDev.dll
# (scripts/build-windows.sh, scripts/wine-suite.sh).
#
# It ends with a summary: each stage with its seconds and result, and what a stage did not run
# (the Wine suite on a machine without the 32-bit Wine, say). A failed stage does not stop the
# stages that do not need it; the summary is printed in any case, and the script then fails.
# NORVIK_TEST_STAGES="plain style" runs only the stages named (set-up always runs; the others
# show as skipped), by these names: plain style fuzz asan tsan windows wine_suite.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen

run_suite() {  # folder, extra cmake arguments...
  local dir="$1"; shift
  cmake -S "$root" -B "$dir" -G Ninja -DNORVIK_WERROR=ON "$@" >/dev/null &&
    cmake --build "$dir" -j "$jobs" &&
    (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

plain() { run_suite "$root/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo; }
style() { bash "$root/scripts/check-style.sh" "$root/build-test"; }
fuzz() { bash "$root/scripts/fuzz.sh" 60; }
asan() {
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DNORVIK_SANITIZE=address,undefined
}
# ThreadSanitizer needs the non-randomised address layout it was built for on newer kernels.
tsan() {
  TSAN_OPTIONS="halt_on_error=1 suppressions=$root/tests/tsan.supp" \
    setarch "$(uname -m)" -R bash -c "set -uo pipefail; $(declare -f run_suite); root='$root' jobs='$jobs' run_suite '$root/build-tsan' -DCMAKE_BUILD_TYPE=Debug -DNORVIK_SANITIZE=thread"
}
windows() { bash "$root/scripts/build-windows.sh" "$root/build-windows"; }
wine_suite() { NORVIK_SKIP_WINDOWS_BUILD=1 bash "$root/scripts/wine-suite.sh" "$root/build-test"; }

# Stage table: name shown, function, the stages it needs.
names=("set-up" "plain" "style" "fuzz" "ASan+UBSan" "TSan" "Windows build" "Wine suite")
functions=(setup plain style fuzz asan tsan windows wine_suite)
needs=("" "setup" "plain" "setup" "setup" "setup" "" "plain windows")
setup() { "$root/scripts/deps.sh"; }

declare -A result=() seconds=() notes=()
notes_file="$(mktemp "${TMPDIR:-/tmp}/norvik-stage-notes.XXXXXX")"
trap 'rm -f "$notes_file"' EXIT
failed=0
for i in "${!functions[@]}"; do
  f="${functions[$i]}"
  if [ -n "${NORVIK_TEST_STAGES:-}" ] && [ "$f" != setup ] &&
     [[ " $NORVIK_TEST_STAGES " != *" $f "* ]]; then
    result[$f]="skipped (not in NORVIK_TEST_STAGES)"
    continue
  fi
  missing=""
  for n in ${needs[$i]}; do
    [[ "${result[$n]:-passed}" == passed* || "${result[$n]}" == skipped* ]] || missing+=" $n"
  done
  if [ -n "$missing" ]; then
    result[$f]="NOT RUN (needs:$missing)"
    continue
  fi
  echo "=== test.sh: ${names[$i]}"
  : >"$notes_file"
  began=$SECONDS
  rc=0
  NORVIK_STAGE_NOTES="$notes_file" "$f" || rc=$?
  seconds[$f]=$((SECONDS - began))
  notes[$f]="$(cat "$notes_file")"
  if ((rc == 0)); then
    result[$f]="passed"
  else
    result[$f]="FAILED (exit $rc)"
    failed=1
  fi
done

echo
echo "=== test.sh: summary"
printf '%-14s %7s  %s\n' "stage" "seconds" "result"
for i in "${!functions[@]}"; do
  f="${functions[$i]}"
  printf '%-14s %7s  %s\n' "${names[$i]}" "${seconds[$f]:--}" "${result[$f]}"
  if [ -n "${notes[$f]:-}" ]; then
    while IFS= read -r line; do printf '%-14s %7s    ! %s\n' "" "" "$line"; done <<<"${notes[$f]}"
  fi
done
if ((failed)); then
  echo "test.sh: FAILED"
  exit 1
fi
skipped=""
[[ "${result[*]}" != *skipped* ]] || skipped=" (some stages skipped)"
echo "test.sh: passed$skipped"
