#!/usr/bin/env bash
# Runs the Windows norvik-cli (scripts/build-windows.sh) under Wine, as if it were the Linux one:
# the arguments, the environment (NORVIK_SIMULATOR, NORVIK_TRACE, WINEPREFIX, ...), the standard
# streams and the current folder pass through, and its exit code comes back.
#
#   scripts/wine-cli.sh detect
#   NORVIK_CLI_UNDER_TEST=scripts/wine-cli.sh build-test/tests/norvik_core_tests --gtest_filter='CliTest.*'
#
# NORVIK_WINDOWS_BUILD names another build folder (default build-windows); NORVIK_WINE_CLI names
# the .exe itself. With NORVIK_WINE_THROUGH_DLL=1 the simulator is reached through the
# qxUSBDev.dll beside that .exe instead of in-process: NORVIK_SIMULATOR's settings go to the
# library as NORVIK_DLL_SIMULATOR.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="${NORVIK_WINE_CLI:-${NORVIK_WINDOWS_BUILD:-$root/build-windows}/norvik-cli.exe}"
export WINEDEBUG="${WINEDEBUG:--all}"
if [ "${NORVIK_WINE_THROUGH_DLL:-}" = 1 ] && [ -n "${NORVIK_SIMULATOR+set}" ]; then
  export NORVIK_DLL_SIMULATOR="$NORVIK_SIMULATOR"
  unset NORVIK_SIMULATOR
fi
# exec: the signals sent to this script's process reach norvik-cli's, and its code is ours.
exec wine "$exe" "$@"
