#!/usr/bin/env bash
# Cross-compiles the core libraries and norvik-cli for 32-bit Windows with mingw-w64, and installs
# what that needs from Debian's packages first (Wine too, to run the result):
#
#   bash scripts/build-windows.sh [build-dir]     # default build-windows
#   wine build-windows/norvik-cli.exe detect      # or scripts/wine-cli.sh detect
#
# The dialog, the tests and the benchmark are not built for Windows.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-windows}"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# wine32 is an i386 package: the architecture must be known to dpkg before it can be installed.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
"$root/scripts/deps.sh" g++-mingw-w64-i686 wine wine32:i386 libcli11-dev cmake ninja-build \
  libgcrypt-mingw-w64-dev libz-mingw-w64-dev

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DNORVIK_BUILD_GUI=OFF \
  -DNORVIK_WERROR=ON
cmake --build "$build" -j 2
echo "built $build/norvik-cli.exe"
