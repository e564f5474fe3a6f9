#!/usr/bin/env bash
# Cross-compiles the core libraries and norvik-cli for Windows with mingw-w64, twice: for 32-bit
# Windows (i686), the build a real programmer needs, since the vendor's qxUSBDev.dll is a 32-bit
# library, and for 64-bit Windows (x86_64), which runs under a Wine without its 32-bit part.
# Both are built with warnings as errors (some warnings show in one of them only). It installs
# what that needs from Debian's packages first, and Wine to run the result:
#
#   bash scripts/build-windows.sh [build-dir]     # default build-windows; 64-bit: build-dir-x64
#   wine build-windows/norvik-cli.exe detect      # or scripts/wine-cli.sh detect
#
# The 32-bit Wine (wine32:i386) needs the registry's i386 index, which may be stale for a while
# (a mirror in the middle of a sync): when it cannot be installed, that is said and the build goes
# on; scripts/wine-suite.sh then runs the 64-bit build. NORVIK_WINE_ARCH=64 does not even try.
#
# Both builds hold norvik.exe (the dialog), norvik-cli.exe, the test libraries standing in for
# qxUSBDev.dll and the dialog's own tests (tests/win32); the Linux tests and the benchmark are
# not built for Windows.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-windows}"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if [ "${NORVIK_WINE_ARCH:-}" != 64 ]; then
  # wine32 is an i386 package: the architecture must be known to dpkg before it can be installed
  # (before the first install, so that one index update serves both).
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
fi
"$root/scripts/deps.sh" g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 libcli11-dev cmake \
  ninja-build libgcrypt-mingw-w64-dev libz-mingw-w64-dev
if [ "${NORVIK_WINE_ARCH:-}" != 64 ] && ! why="$("$root/scripts/deps.sh" wine32:i386 2>&1)"; then
  echo "$why"
  echo "build-windows: NO 32-BIT WINE (wine32:i386 cannot be installed, see above): the Wine" \
    "suite will run the 64-bit build only" >&2
  # For scripts/test.sh's summary.
  [ -z "${NORVIK_STAGE_NOTES:-}" ] ||
    echo "no 32-bit Wine: $(tail -n1 <<<"$why")" >>"$NORVIK_STAGE_NOTES"
fi

for arch in i686 x86_64; do
  dir="$build"
  [ "$arch" = i686 ] || dir="$build-x64"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DNORVIK_BUILD_GUI=OFF \
    -DNORVIK_WERROR=ON >/dev/null
  cmake --build "$dir" -j 2
  echo "built $dir/norvik-cli.exe ($arch)"
done
