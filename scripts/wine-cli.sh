#!/usr/bin/env bash
# Runs the Windows norvik-cli (scripts/build-windows.sh) under Wine, as if it were the Linux one:
# the arguments, the environment (NORVIK_SIMULATOR, NORVIK_TRACE, WINEPREFIX, ...), the standard
# streams and the current folder pass through, and its exit code comes back.
#
#   scripts/wine-cli.sh detect
#   NORVIK_CLI_UNDER_TEST=scripts/wine-cli.sh build-test/tests/norvik_core_tests --gtest_filter='CliTest.*'
#
# NORVIK_WINDOWS_BUILD names another build folder (default build-windows).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
exe="${NORVIK_WINDOWS_BUILD:-$root/build-windows}/norvik-cli.exe"
export WINEDEBUG="${WINEDEBUG:--all}"
# exec: the signals sent to this script's process reach norvik-cli's, and its code is ours.
exec wine "$exe" "$@"
