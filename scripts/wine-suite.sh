#!/usr/bin/env bash
# The Windows build under Wine, without hardware: norvik-cli.exe loads a qxUSBDev.dll of our own
# that puts the simulated programmer behind the two library calls, once exported as __stdcall
# and once as __cdecl. For each of the two it checks
#   - which backend and which exports norvik-cli.exe reports;
#   - the CLI round trips of the Linux tests (tests/core/cli_test.cpp), run against the .exe;
#   - the same commands in a folder with a Chinese name, run once by the Linux norvik-cli on its
#     in-process simulator and once by the .exe through the DLL: outputs, exit codes, files, the
#     log and the device trace must be alike (scripts/compare-runs.py);
# and then
#   - that a missing library and one without the two functions each give their message and exit
#     code 12, and so does a library of the other width ("not a 32-bit Windows library");
#   - that a library that crashes inside qxUSB_WriteData or qxUSB_ReadData ends the command with
#     its message, a log line naming the function and exit code 13;
#   - that a library call that never returns is named (detect too) and bounded in time, and that
#     Ctrl-C during a slow detect ends it at once; the times are printed;
# and the dialog, norvik.exe, on a virtual display (Xvfb), in a prefix with a Song-style font for
# 宋体 (scripts/wine-prefix.sh):
#   - its own tests (tests/win32): the real dialog driven in its process with window messages
#     through the test library, the layout against the template;
#   - norvik.exe driven from a second process: found by its caption, clicked, read, closed;
#   - one operator's session (tests/dialog_session.txt) played through the Qt dialog on Linux and
#     through the Windows dialog: the same log, files and trace.
#
# The build that counts is the 32-bit one, run by the 32-bit Wine (wine32:i386): the vendor's
# library is 32-bit, and only there do the two calling conventions differ. Without wine32 (or
# with NORVIK_WINE_ARCH=64) the same checks run on the 64-bit build under wine64, with the
# __cdecl library only, and the suite says loudly, at its start and its end, what did not run.
# NORVIK_WINE_ARCH=32 runs the 32-bit build even where dpkg knows no wine32.
# A 32-bit program given to wine64 prints nothing and exits 0, so every check looks for a line
# the program itself printed, never at the exit code alone. Wine that cannot start fails the
# suite.
#
#   scripts/wine-suite.sh [LINUX-BUILD]   (default build-test: needs norvik-cli and the tests)
#
# NORVIK_STAGE_NOTES names a file that gets one line per check that did not run (for
# scripts/test.sh's summary).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
linux_build="$(cd "${1:-$root/build-test}" && pwd)"
win32_build="$root/build-windows"
win64_build="$win32_build-x64"
# NORVIK_SKIP_WINDOWS_BUILD=1: scripts/test.sh has just run it.
[ "${NORVIK_SKIP_WINDOWS_BUILD:-}" = 1 ] || bash "$root/scripts/build-windows.sh" "$win32_build"
cmake --build "$linux_build" --target norvik-cli norvik_core_tests norvik_gui_tests

notes="${NORVIK_STAGE_NOTES:-/dev/null}"
if [ "${NORVIK_WINE_ARCH:-}" = 64 ]; then
  no_wine32="NORVIK_WINE_ARCH=64 asks for the 64-bit run"
elif [ "${NORVIK_WINE_ARCH:-}" = 32 ]; then
  no_wine32=""  # the 32-bit run, whatever dpkg says (a Wine installed some other way)
elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  no_wine32="wine32:i386 is not installed"
else
  no_wine32=""
fi
if [ -z "$no_wine32" ]; then
  bits=32 win_build="$win32_build" other_build="$win64_build" conventions="stdcall cdecl"
else
  bits=64 win_build="$win64_build" other_build="$win32_build" conventions="cdecl"
fi
not_run() {
  [ -n "$no_wine32" ] || return 0
  echo "wine-suite: ################################################################################"
  echo "wine-suite: NOT RUN ($no_wine32): the 32-bit build, the one a real programmer needs:"
  echo "wine-suite:   its thunk for either calling convention, the __stdcall library and its decorated"
  echo "wine-suite:   names (_qxUSB_WriteData@16), its refusal of a 64-bit library, its dialog and the"
  echo "wine-suite:   32-bit installer. Checked instead: the 64-bit build under wine64 (__cdecl library,"
  echo "wine-suite:   plain names, its dialog, the 64-bit package's installer)."
  echo "wine-suite: ################################################################################"
}
not_run
if [ -n "$no_wine32" ]; then
  echo "NOT RUN ($no_wine32): the 32-bit build under Wine: its calling conventions (__stdcall and __cdecl), the decorated @16 names, its refusal of a 64-bit library; the 64-bit build ran instead" >>"$notes"
fi

# A virtual display for the whole suite: the dialog's checks need one, and Wine keeps the desktop
# of its first program for the ones after it (a desktop started without a display would stay
# without one).
# shellcheck source=virtual-display.sh
source "$root/scripts/virtual-display.sh"
start_virtual_display
trap 'kill "$virtual_display_pid" 2>/dev/null || true' EXIT
echo "wine-suite: virtual display $DISPLAY"

export WINEDEBUG=-all
export WINEPREFIX="${WINEPREFIX:-$win_build/wine-prefix}"
# Chinese names reach Wine as UTF-8 file names.
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# A Wine left running from before would keep its desktop, and maybe one without a display.
timeout 60 wineserver -k 2>/dev/null || true
# The prefix with the Song-style font for 宋体 and the X11 driver unmanaged (the dialog's checks).
bash "$root/scripts/wine-prefix.sh"
if [ "$(timeout 120 wine cmd /c echo wine-is-running 2>/dev/null | tr -d '\r')" != "wine-is-running" ]; then
  echo "wine-suite: Wine cannot start on this machine (WINEPREFIX=$WINEPREFIX); failing" >&2
  exit 1
fi
echo "wine-suite: the ${bits}-bit build ($win_build) under Wine"

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
for convention in $conventions; do
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
    fail "$convention: norvik-cli.exe backend said: ${shown:-nothing (as a 32-bit program does under a Wine without wine32)}"
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
# No library beside the program nor on the search path; then one without the two functions; then
# one of the other width.
bare="$runs/missing"
mkdir -p "$bare"
cp "$win_build/norvik-cli.exe" "$bare/"
expect_refusal "missing library" "qxUSBDev.dll was not found"
cp "$win_build/test-dll/empty/qxUSBDev.dll" "$bare/"
expect_refusal "library without the functions" "has no function qxUSB_WriteData"
cp "$other_build/test-dll/cdecl/qxUSBDev.dll" "$bare/"
expect_refusal "library of the other width" "is not a ${bits}-bit Windows library"
# A library planted in the working folder is never loaded: the program looks beside itself only
# (or at the file --device-library names), and says where it looked.
planted="$runs/planted"
mkdir -p "$planted/bin" "$planted/工作目录"
cp "$win_build/norvik-cli.exe" "$planted/bin/"
cp "$win_build/test-dll/cdecl/qxUSBDev.dll" "$planted/工作目录/"
bare="$planted/bin"
rc=0
err="$(cd "$planted/工作目录" && wine "$bare/norvik-cli.exe" detect 2>&1 >/dev/null | tr -d '\r')" || rc=$?
[ "$rc" = 12 ] && [[ "$err" == *"must be beside the program"* ]] && [[ "$err" == *'\bin\qxUSBDev.dll'* ]] ||
  fail "a library in the working folder: exit $rc, said: $err"
echo "wine-suite: a library planted in the working folder is not loaded: $err"
named="$(winepath -w "$planted/工作目录/qxUSBDev.dll" 2>/dev/null)"
shown="$(cd "$planted/工作目录" && wine "$bare/norvik-cli.exe" --device-library "$named" backend | tr -d '\r')"
[[ "$shown" == "qxUSBDev.dll: "*"工作目录\qxUSBDev.dll "* ]] || fail "--device-library: said: ${shown:-nothing}"
echo "wine-suite: --device-library loads the file it names: $shown"
if [ "$bits" = 32 ]; then
  # The 64-bit build too, which the same Wine runs: it refuses a 32-bit library as such.
  bare="$runs/missing-64"
  mkdir -p "$bare"
  cp "$win64_build/norvik-cli.exe" "$win32_build/test-dll/cdecl/qxUSBDev.dll" "$bare/"
  expect_refusal "64-bit build, 32-bit library" "is not a 64-bit Windows library"
fi

# A library that misbehaves (NORVIK_DLL_FAULT, see tests/windows/qxusbdev_sim.cpp), in a fresh
# working folder for each case.
faulty="$runs/faults"
mkdir -p "$faulty/bin"
cp "$win_build/norvik-cli.exe" "$win_build/test-dll/cdecl/qxUSBDev.dll" "$faulty/bin/"
now() { date +%s.%N; }
seconds() { python3 -c "import sys; print(f'{float(sys.argv[2]) - float(sys.argv[1]):.1f}')" "$@"; }
within() { python3 -c "import sys; sys.exit(0 if float(sys.argv[1]) <= float(sys.argv[2]) else 1)" "$@"; }

# with_fault NAME FAULT RC MESSAGE COMMAND...: the command ends with exit RC and MESSAGE on
# standard error (an empty FAULT: no fault); sets $took (seconds) and $folder.
with_fault() {
  local name="$1" fault="$2" want="$3" message="$4"; shift 4
  folder="$faulty/$name"
  prepare_folder "$folder"
  local rc=0 began
  began="$(now)"
  (cd "$folder" && NORVIK_DLL_SIMULATOR=sim.ini NORVIK_DLL_FAULT="$fault" \
     wine "$faulty/bin/norvik-cli.exe" "$@" >out.txt 2>err.txt) || rc=$?
  took="$(seconds "$began" "$(now)")"
  local err
  err="$(tr -d '\r' <"$folder/err.txt")"
  [ "$rc" = "$want" ] && [[ "$err" == *"$message"* ]] ||
    fail "$name ($fault): exit $rc after ${took}s, said: $err"
  # A run that went well prints its result (detect's chips, erase's bad blocks): exit 0 alone
  # is what Wine gives a program it could not run.
  [ "$want" != 0 ] || [ -s "$folder/out.txt" ] || fail "$name: exit 0 but nothing printed"
  [ -z "$message" ] ||
    echo "wine-suite: $name: exit $rc after ${took}s: $(grep -F -- "$message" <<<"$err" | head -n1)"
}
# The log line that names the fault, in the folder's systemlog.log.
logged() {
  python3 - "$folder/systemlog.log" "$1" <<'PY' || fail "$(basename "$folder"): systemlog.log lacks \"$1\""
import sys
text = open(sys.argv[1], "rb").read().decode("gb18030")
sys.exit(0 if sys.argv[2] in text else 1)
PY
}

with_fault crash-in-write crash:write:1 13 "the device library crashed in qxUSB_WriteData: access violation writing" \
  program img.bin --socket B --no-spare
logged "the device library crashed in qxUSB_WriteData"
with_fault crash-in-read crash:read:0 13 "the device library crashed in qxUSB_ReadData: access violation writing" \
  read out.bin --socket B --length 4000 --no-spare
logged "the device library crashed in qxUSB_ReadData"

# A call that never returns is given up after its time-out (1 s here) and 2 s of grace; what
# follows fails at once, so the command ends about 3 s later than it would have without the
# fault (measured against a run without it, which leaves out Wine's start; 1.5 s of slack for a
# busy machine).
with_fault detect-as-usual "" 0 "" detect
usual="$took"
with_fault hang-in-detect hang:read:2 2 "qxUSB_ReadData did not return within 1000 ms + 2000 ms" detect
echo "wine-suite: hang-in-detect: ${took}s, ${usual}s without the hang"
within "$(seconds "$usual" "$took")" 4.5 || fail "detect with a hung library took ${took}s"
with_fault erase-as-usual "" 0 "" erase --socket B --length 20000
usual="$took"
# The erase's 26th reply read is its first progress poll: four probes of six reads each and the
# pair's read come before it (exit 10 shows that the hang came while following the erase).
with_fault hang-in-erase hang:read:2@26 10 "qxUSB_ReadData did not return within 1000 ms + 2000 ms" \
  erase --socket B --length 20000
logged "qxUSB_ReadData did not return"
echo "wine-suite: hang-in-erase: ${took}s, ${usual}s without the hang"
within "$(seconds "$usual" "$took")" 4.5 || fail "an erase with a hung library took ${took}s"

# Ctrl-C during a detect whose every library call takes 0.9 s: it ends after the call in
# progress, without the calls that were still to come.
folder="$faulty/ctrl-c-detect"
prepare_folder "$folder"
# A background job of a script starts with SIGINT ignored, which norvik-cli would keep ignoring.
(cd "$folder" && NORVIK_DLL_SIMULATOR=sim.ini NORVIK_DLL_FAULT=slow:900 NORVIK_TRACE=trace.txt \
   exec env --default-signal=INT wine "$faulty/bin/norvik-cli.exe" detect >out.txt 2>err.txt) &
pid=$!
# Into the probe: the refresh, its pause and the query are in the trace.
for _ in $(seq 300); do
  [ ! -f "$folder/trace.txt" ] || [ "$(wc -l <"$folder/trace.txt")" -lt 3 ] || break
  sleep 0.1
done
signalled="$(now)"
kill -INT "$pid"
rc=0
wait "$pid" || rc=$?
took="$(seconds "$signalled" "$(now)")"
err="$(tr -d '\r' <"$folder/err.txt")"
[ "$rc" = 130 ] && [[ "$err" == *"stopping after the current step"* ]] ||
  fail "Ctrl-C during a slow detect: exit $rc after ${took}s, said: $err"
within "$took" 2.5 || fail "Ctrl-C during a slow detect took ${took}s to end it"
echo "wine-suite: Ctrl-C during a slow detect: exit $rc ${took}s after the signal"

# Ctrl-C during a read: Wine hands the interrupt to the program as the console's CTRL_C_EVENT, so
# this is the console control handler at work. The command stops after its current unit, says so,
# saves the log with the stop line and ends with 130.
folder="$faulty/ctrl-c-read"
prepare_folder "$folder"
(cd "$folder" && NORVIK_DLL_SIMULATOR=sim.ini NORVIK_TRACE=trace.txt \
   exec env --default-signal=INT wine "$faulty/bin/norvik-cli.exe" read whole.bin --socket B \
   --length 8000000 --no-spare >out.txt 2>err.txt) &
pid=$!
# Under way: the trace holds data units.
for _ in $(seq 300); do
  [ ! -f "$folder/trace.txt" ] || [ "$(grep -c '^[0-9.]* R 0 ' "$folder/trace.txt")" -lt 20 ] || break
  sleep 0.1
done
kill -INT "$pid"
rc=0
wait "$pid" || rc=$?
err="$(tr -d '\r' <"$folder/err.txt")"
[ "$rc" = 130 ] && [[ "$err" == *"stopping after the current step"* ]] ||
  fail "Ctrl-C during a read: exit $rc, said: $err"
logged "操作已停止（退出）"
units="$(stat -c %s "$folder/whole.bin")"
[ $((units % 8192)) = 0 ] && [ "$units" -gt 0 ] || fail "Ctrl-C during a read kept $units bytes, not whole units"
echo "wine-suite: Ctrl-C (the console's CTRL_C_EVENT) during a read: exit 130, the stop line in the log, $((units / 8192)) whole units kept"

echo "wine-suite: the dialog's checks"

# In its own process, driven with window messages through the test library: start-up, program,
# read, copy, erase, the self-test, the keys, the system menu, the exit during a read, and the
# layout against the template.
dialog_tests="$runs/dialog-tests"
mkdir -p "$dialog_tests"
printf '[Simulator]\r\nMode=fast\r\n[SocketA]\r\n[SocketB]\r\n' >"$dialog_tests/sim.ini"
out="$(cd "$dialog_tests" && NORVIK_DLL_SIMULATOR="$(winepath -w "$dialog_tests/sim.ini" 2>/dev/null)" \
  timeout 600 wine "$win_build/dialog-tests/norvik-dialog-tests.exe" \
  "$(winepath -w "$root/nand_lib" 2>/dev/null)" 2>&1 | tr -d '\r')" || true
grep -E '^(FAILED|ok) ' <<<"$out" | sed 's/^/wine-suite: dialog: /'
last="$(tail -n1 <<<"$out")"
[[ "$last" =~ ^win32-tests:\ [0-9]+\ checks,\ 0\ failed$ ]] ||
  fail "the dialog's tests under Wine: ${last:-nothing printed}"
echo "wine-suite: dialog: $last"

# From another process: norvik.exe found by its caption, a click, a text, the close box.
smoke="$runs/smoke"
mkdir -p "$smoke/bin" "$smoke/工作目录"
cp "$win_build/norvik.exe" "$win_build/test-dll/cdecl/qxUSBDev.dll" "$smoke/bin/"
cp -r "$root/nand_lib" "$smoke/工作目录/"
out="$(NORVIK_DLL_SIMULATOR="$(winepath -w "$dialog_tests/sim.ini" 2>/dev/null)" timeout 300 \
  wine "$win_build/tests/win32/norvik-smoke.exe" "$(winepath -w "$smoke/bin/norvik.exe" 2>/dev/null)" \
  "$(winepath -w "$smoke/工作目录" 2>/dev/null)" 2>&1 | tr -d '\r')" || true
[[ "$(tail -n1 <<<"$out")" == "smoke: passed" ]] || fail "norvik.exe from another process: $out"
echo "wine-suite: norvik.exe driven from another process: passed"
# Without the vendor's library beside it norvik.exe says so in a message box and ends with 2.
rm "$smoke/bin/qxUSBDev.dll"
out="$(timeout 300 wine "$win_build/tests/win32/norvik-smoke.exe" --refused \
  "$(winepath -w "$smoke/bin/norvik.exe" 2>/dev/null)" "$(winepath -w "$smoke/工作目录" 2>/dev/null)" 2>&1 |
  tr -d '\r')" || true
[[ "$out" == *"smoke: refused: "*"must be beside the program"* ]] && [[ "$out" == *"smoke: exit 2"* ]] ||
  fail "norvik.exe without qxUSBDev.dll: $out"
echo "wine-suite: norvik.exe without qxUSBDev.dll: $(grep 'smoke: refused' <<<"$out")"

# The installer (scripts/package-windows.sh): a silent install into a folder with a Chinese name,
# the programs run from there, a silent uninstall that leaves nothing behind. The installer is
# the build's width: a 32-bit one needs the 32-bit Wine.
package="$runs/package"
package_arch=""
[ "$bits" = 32 ] || package_arch=64
NORVIK_PACKAGE_ARCH="$package_arch" bash "$root/scripts/package-windows.sh" "$win_build" "$package"
installed="$WINEPREFIX/drive_c/诺维克/双座编程器"
menu="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Norvik"
rm -rf "$WINEPREFIX/drive_c/诺维克"
began="$(date +%s.%N)"
timeout 300 wine "$package/norvik-setup.exe" /S '/D=C:\诺维克\双座编程器' || true
timeout 120 wineserver -w || true
install_took="$(python3 -c "import sys; print(f'{float(sys.argv[2]) - float(sys.argv[1]):.1f}')" "$began" "$(date +%s.%N)")"
for f in norvik.exe norvik-cli.exe Config.ini test.bin README.txt nand_lib/samsung.ini uninstall.exe; do
  [ -f "$installed/$f" ] || fail "the installer did not put $f into C:\诺维克\双座编程器"
done
[ -f "$menu/双座NAND编程器.lnk" ] || fail "the installer made no Start-menu shortcut"
echo "wine-suite: installer: $(stat -c %s "$package/norvik-setup.exe") bytes, installed in ${install_took}s"
shown="$(cd "$installed" && wine "$installed/norvik-cli.exe" backend 2>&1 | tr -d '\r')" || true
[[ "$shown" == *"must be beside the program"* ]] || fail "the installed norvik-cli.exe without the library: $shown"
cp "$win_build/test-dll/cdecl/qxUSBDev.dll" "$installed/"
shown="$(cd "$installed" && wine "$installed/norvik-cli.exe" backend | tr -d '\r')"
[[ "$shown" == "qxUSBDev.dll: "* ]] || fail "the installed norvik-cli.exe backend said: ${shown:-nothing}"
rm "$installed/qxUSBDev.dll"
out="$(timeout 300 wine "$win_build/tests/win32/norvik-smoke.exe" --ok \
  'C:\诺维克\双座编程器\norvik.exe' 'C:\诺维克\双座编程器' --backend sim 2>&1 | tr -d '\r')" || true
[[ "$(tail -n1 <<<"$out")" == "smoke: passed" ]] || fail "the installed norvik.exe --backend sim: $out"
timeout 300 wine "$installed/uninstall.exe" /S || true
timeout 120 wineserver -w || true
[ ! -e "$WINEPREFIX/drive_c/诺维克/双座编程器" ] || fail "the uninstaller left: $(ls -A "$installed")"
[ ! -e "$menu" ] || fail "the uninstaller left the Start-menu folder"
echo "wine-suite: installed, run (norvik-cli.exe backend, norvik.exe --backend sim) and uninstalled without a trace"
if [ "$bits" != 32 ]; then
  echo "NOT RUN ($no_wine32): the 32-bit installer (the one that ships); the 64-bit package's was checked instead" >>"$notes"
fi

# One operator's session played through the Qt dialog on Linux and through norvik.exe's dialog
# under Wine: the same log, files and trace.
linux_dir="$runs/session/linux/工作目录"
wine_dir="$runs/session/wine/工作目录"
for d in "$linux_dir" "$wine_dir"; do
  prepare_folder "$d"
  printf '[Simulator]\r\nMode=fast\r\n[SocketA]\r\nImage=a.img\r\n[SocketB]\r\nImage=b.img\r\n' >"$d/sim.ini"
done
NORVIK_DIALOG_SESSION_FOLDER="$linux_dir" QT_QPA_PLATFORM=offscreen \
  "$linux_build/tests/norvik_gui_tests" --gtest_filter='DialogSessionTest.*' >"$runs/session/linux.log" 2>&1 ||
  fail "the session through the Qt dialog: $(tail -n5 "$runs/session/linux.log")"
out="$(cd "$wine_dir" && NORVIK_DLL_SIMULATOR=sim.ini NORVIK_TRACE=trace.txt timeout 300 \
  wine "$win_build/dialog-tests/norvik-dialog-tests.exe" --play \
  "$(winepath -w "$root/tests/dialog_session.txt" 2>/dev/null)" \
  "$(winepath -w "$wine_dir" 2>/dev/null)" 2>&1 | tr -d '\r')" || true
[[ "$(tail -n1 <<<"$out")" == "win32-session: played" ]] ||
  fail "the session through norvik.exe's dialog: $out"
python3 "$root/scripts/compare-runs.py" "$linux_dir" "$wine_dir"
echo "wine-suite: the Qt dialog and the Windows dialog left the same log, files and trace"

not_run
echo "wine-suite: passed (${bits}-bit build)"
