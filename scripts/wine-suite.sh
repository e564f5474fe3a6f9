#!/usr/bin/env bash
# The Windows build under Wine, without hardware: norvik-cli.exe loads a qxUSBDev.dll of our own
# that puts the simulated programmer behind the two library calls, once exported as __stdcall
# and once as __cdecl. For each of the two it checks
#   - which backend and which exports norvik-cli.exe reports;
#   - the CLI round trips of the Linux tests (tests/core/cli_test.cpp), run against the .exe;
#   - the same commands in a folder with a Chinese name, run once by the Linux norvik-cli on its
#     in-process simulator and once by the .exe through the DLL: outputs, exit codes, files, the
#     log and the device trace must be alike (scripts/compare-runs.py);
# and that a missing library and one without the two functions each give their message and exit
# code 12. Wine that cannot start fails the suite.
#
#   scripts/wine-suite.sh [LINUX-BUILD]   (default build-test: needs norvik-cli and the tests)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
linux_build="$(cd "${1:-$root/build-test}" && pwd)"
win_build="$root/build-windows"
bash "$root/scripts/build-windows.sh" "$win_build"
cmake --build "$linux_build" --target norvik-cli norvik_core_tests

export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$win_build/wine-prefix}"
# Chinese names reach Wine as UTF-8 file names.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
timeout 600 wineboot -i >/dev/null 2>&1 || true
if [ "$(timeout 120 wine cmd /c echo wine-is-running 2>/dev/null | tr -d '\r')" != "wine-is-running" ]; then
  echo "wine-suite: Wine cannot start on this machine (WINEPREFIX=$WINEPREFIX); failing" >&2
  exit 1
fi

fail() { echo "wine-suite: $*" >&2; exit 1; }

# Runs one norvik-cli command in folder $1 with runner $2 (linux|wine:<exe>), keeping its output
# and exit code as files numbered by $3.
run_in() {
  local folder="$1" runner="$2" n="$3"; shift 3
  local rc=0
  if [ "$runner" = linux ]; then
    (cd "$folder" && NORVIK_SIMULATOR=sim.ini NORVIK_TRACE=trace.txt \
       "$linux_build/norvik-cli" "$@" >"$n.out" 2>"$n.err") || rc=$?
  else
    (cd "$folder" && NORVIK_DLL_SIMULATOR=sim.ini NORVIK_TRACE=trace.txt \
       wine "${runner#wine:}" "$@" >"$n.out" 2>"$n.err") || rc=$?
  fi
  echo "$rc" >"$folder/$n.rc"
}

# The same working folder for both runs: the catalogue, the simulator's settings, the images.
prepare_folder() {
  rm -rf "$1" && mkdir -p "$1"
  cp -r "$root/nand_lib" "$1/"
  printf '[SocketA]\r\nImage=a.img\r\n[SocketB]\r\nImage=b.img\r\n' >"$1/sim.ini"
  python3 - "$1" <<'PY'
import random, sys
r = random.Random(10)
folder = sys.argv[1]
open(f"{folder}/img.bin", "wb").write(bytes(r.getrandbits(8) for _ in range(3 * 8192 + 100)))
open(f"{folder}/raw.bin", "wb").write(bytes(r.getrandbits(8) for _ in range(8 * 8448)))
open(f"{folder}/test.bin", "wb").write(r.randbytes(6 * 1024 * 1024))
PY
}

run_sequence() {  # folder runner
  local n=0
  for cmd in "detect" \
             "program img.bin --socket B --start 20000 --no-spare --verify" \
             "read back.bin --socket B --start 20000 --length 6064 --no-spare" \
             "program raw.bin --socket A" \
             "copy --length 10000" \
             "read copied.bin --socket B --length 10000" \
             "erase --socket B --length 20000" \
             "selftest --socket B --yes"; do
    n=$((n + 1))
    # shellcheck disable=SC2086  # the commands are split into words on purpose
    run_in "$1" "$2" "$(printf '%02d' "$n")" $cmd
  done
}

runs="$win_build/wine-runs"
rm -rf "$runs" && mkdir -p "$runs"
for convention in stdcall cdecl; do
  bin="$runs/$convention/bin"
  mkdir -p "$bin"
  cp "$win_build/norvik-cli.exe" "$win_build/test-dll/$convention/qxUSBDev.dll" "$bin/"
  exe="$bin/norvik-cli.exe"

  shown="$(cd "$bin" && wine "$exe" backend | tr -d '\r')"
  case "$convention" in
    stdcall) exports="(_qxUSB_WriteData@16, _qxUSB_ReadData@16)" ;;
    cdecl) exports="(qxUSB_WriteData, qxUSB_ReadData)" ;;
  esac
  [[ "$shown" == "qxUSBDev.dll: "*"qxUSBDev.dll $exports" ]] ||
    fail "$convention: norvik-cli.exe backend said: $shown"
  echo "wine-suite: $convention: $shown"

  NORVIK_CLI_UNDER_TEST="$root/scripts/wine-cli.sh" NORVIK_WINE_CLI="$exe" NORVIK_WINE_THROUGH_DLL=1 \
    "$linux_build/tests/norvik_core_tests" \
    --gtest_filter='CliTest.DetectPrints*:CliTest.WithoutAProgrammer*:CliTest.ProgramThenRead*:CliTest.CopyThenErase*:CliTest.VerifyReports*:CliTest.LeftOutChoices*:CliTest.AnEmptyNumber*'

  linux_dir="$runs/$convention/linux/工作目录"
  wine_dir="$runs/$convention/wine/工作目录"
  prepare_folder "$linux_dir"
  prepare_folder "$wine_dir"
  run_sequence "$linux_dir" linux
  run_sequence "$wine_dir" "wine:$exe"
  for f in "$linux_dir"/*.rc; do
    [ "$(cat "$f")" = 0 ] || fail "linux: $(basename "$f" .rc) ended with $(cat "$f"): $(cat "${f%.rc}.err")"
  done
  python3 "$root/scripts/compare-runs.py" "$linux_dir" "$wine_dir"
done

# detect in $bare must end with exit 12 and a message holding $2; $1 names the case.
expect_refusal() {
  local rc=0 err
  err="$(cd "$bare" && wine "$bare/norvik-cli.exe" detect 2>&1 >/dev/null | tr -d '\r')" || rc=$?
  [ "$rc" = 12 ] && [[ "$err" == *"$2"* ]] || fail "$1: exit $rc, said: $err"
  echo "wine-suite: $1: exit $rc: $err"
}
# No library beside the program nor on the search path; then one without the two functions.
bare="$runs/missing"
mkdir -p "$bare"
cp "$win_build/norvik-cli.exe" "$bare/"
expect_refusal "missing library" "qxUSBDev.dll was not found"
cp "$win_build/test-dll/empty/qxUSBDev.dll" "$bare/"
expect_refusal "library without the functions" "has no function qxUSB_WriteData"
echo "wine-suite: passed"
