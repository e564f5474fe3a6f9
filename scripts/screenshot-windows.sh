#!/usr/bin/env bash
# A picture of the Windows dialog for the documentation: norvik.exe --backend sim under Wine on a
# virtual display, once start-up has filled in the chips, saved as docs/screenshot-windows.png.
#
#   bash scripts/screenshot-windows.sh [WINDOWS-BUILD]   (default build-windows-x64)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-windows-x64}"
"$root/scripts/deps.sh" xvfb xdotool imagemagick
export WINEDEBUG=-all WINEPREFIX="${WINEPREFIX:-$build/wine-prefix}" LANG=C.UTF-8 LC_ALL=C.UTF-8
work="$(mktemp -d)"
# shellcheck source=virtual-display.sh
source "$root/scripts/virtual-display.sh"
start_virtual_display
trap 'kill "$virtual_display_pid" 2>/dev/null; rm -rf "$work"' EXIT
timeout 60 wineserver -k 2>/dev/null || true
bash "$root/scripts/wine-prefix.sh"
"$root/scripts/prepare-workdir.sh" "$work" >/dev/null
rm -f "$work/simulator.ini"
(cd "$work" && wine "$build/norvik.exe" --backend sim) &
program=$!
window=""
for _ in $(seq 300); do
  window="$(xdotool search --name 'Norvik 双座' 2>/dev/null | head -n1)" && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "screenshot-windows: no dialog appeared" >&2; exit 1; }
sleep 3  # start-up's probes and the refresh (1.4 s)
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root -crop "${WIDTH}x$((HEIGHT + 24))+$((X))+$((Y - 24))" "$root/docs/screenshot-windows.png"
xdotool key --window "$window" Return  # the OK command: ends without writing the log
wait "$program" || true
echo "screenshot-windows: docs/screenshot-windows.png"
