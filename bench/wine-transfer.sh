#!/usr/bin/env bash
# The Windows line of the transfer benchmark: a 16 MiB program and read through norvik-cli.exe and
# the test qxUSBDev.dll under Wine, each as wall time over the protocol's floor (the pauses the
# protocol mandates, summed from the command's own device trace), and the timer in use: how long
# the 1 ms pauses between data units really took (their time from the trace). A pause that cost
# Windows' usual 15.6 ms scheduler tick would multiply the program time; the program asks for 1 ms
# timer resolution and waits on the precise clock.
#
#   bash bench/wine-transfer.sh [WINDOWS-BUILD]   (default build-windows-x64 where wine32 is
#                                                  missing, else build-windows)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-}"
if [ -z "$build" ]; then
  build="$root/build-windows"
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' ||
    build="$root/build-windows-x64"
fi
export WINEDEBUG=-all WINEPREFIX="${WINEPREFIX:-$build/wine-prefix}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp "$build/norvik-cli.exe" "$build/test-dll/cdecl/qxUSBDev.dll" "$work/"
cp -r "$root/nand_lib" "$work/"
printf '[Simulator]\r\nMode=fast\r\n[SocketA]\r\n[SocketB]\r\n' >"$work/sim.ini"
head -c $((16 * 1024 * 1024)) /dev/urandom >"$work/image.bin"

run() {  # name, command...
  local name="$1"; shift
  rm -f "$work/trace.txt"
  local began ended
  began="$(date +%s.%N)"
  (cd "$work" && NORVIK_DLL_SIMULATOR=sim.ini NORVIK_TRACE=trace.txt wine ./norvik-cli.exe "$@" \
     >/dev/null 2>"$work/$name.err") || { cat "$work/$name.err"; exit 1; }
  ended="$(date +%s.%N)"
  python3 - "$name" "$began" "$ended" "$work/trace.txt" <<'PY'
import sys
name, began, ended, trace = sys.argv[1], float(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
floor_ms, unit_pauses, previous = 0.0, [], None
for line in open(trace):
    stamp, event = line.split(" ", 1)
    stamp = float(stamp)  # milliseconds since the link opened
    if event.startswith("P "):
        ms = int(event.split()[1])
        floor_ms += ms
        # The pause's line is written when it ends: its length is the time since the event before.
        if ms == 1 and previous is not None:
            unit_pauses.append(stamp - previous)
    previous = stamp
wall = ended - began
# The command's own time, from its first to its last traced event (Wine's start-up left out).
first = float(open(trace).readline().split(" ", 1)[0])
own = (previous - first) / 1000
mean = sum(unit_pauses) / max(len(unit_pauses), 1)
print(f"wine {name} 16 MiB: {own:.2f} s in the trace, floor {floor_ms / 1000:.2f} s, "
      f"ratio {own / (floor_ms / 1000):.3f} (whole command with Wine's start {wall:.2f} s); "
      f"1 ms pauses: {len(unit_pauses)}, mean {mean:.3f} ms, max {max(unit_pauses, default=0):.3f} ms")
PY
}
run program program image.bin --socket B --no-spare
run read read back.bin --socket B --length 1000000 --no-spare
cmp -s "$work/image.bin" "$work/back.bin" && echo "wine: the read-back equals the image"
