#!/usr/bin/env bash
# Builds Norvik and starts the dialog against the built-in simulated programmer, in a working
# folder (run/) that holds Config.ini, nand_lib/ and test.bin.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target norvik norvik-cli
"$root/scripts/prepare-workdir.sh" "$root/run"
cd "$root/run"
export NORVIK_SIMULATOR="${NORVIK_SIMULATOR-$root/run/simulator.ini}"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found. Start Norvik on a virtual display instead:"
  echo "  xvfb-run -a bash $root/scripts/run.sh"
  echo "or run this script again from a desktop session (with DISPLAY set)."
  exit 2
fi
exec "$root/build/norvik"
