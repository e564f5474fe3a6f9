#!/usr/bin/env bash
# Packages the 32-bit Windows build (the one a real programmer needs) as an installer, built with
# Debian's nsis, and as a zip of the same files: norvik.exe, norvik-cli.exe, nand_lib\,
# Config.ini, test.bin and README.txt (installer/). The vendor's qxUSBDev.dll is not included.
#
#   bash scripts/package-windows.sh [WINDOWS-BUILD [OUT-DIR]]
#       (defaults: build-windows, build-windows/package)
# Writes norvik-setup.exe and norvik.zip into OUT-DIR. NORVIK_PACKAGE_ARCH=64 packages the
# 64-bit build (default build-windows-x64) in a 64-bit installer instead.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build-windows}"
target=()
strip=i686-w64-mingw32-strip
if [ "${NORVIK_PACKAGE_ARCH:-}" = 64 ]; then
  build="${1:-$root/build-windows-x64}"
  target=(-DTARGET=amd64-unicode)
  strip=x86_64-w64-mingw32-strip
fi
out="${2:-$build/package}"
"$root/scripts/deps.sh" nsis zip python3
for f in norvik.exe norvik-cli.exe; do
  [ -f "$build/$f" ] || { echo "package-windows: $build/$f is missing (scripts/build-windows.sh)" >&2; exit 1; }
done

stage="$out/stage/Norvik"
rm -rf "$out/stage" && mkdir -p "$stage/nand_lib"
cp "$build/norvik.exe" "$build/norvik-cli.exe" "$stage/"
# The static C++ runtime and libgcrypt bring debugging sections and symbols along (more than two
# thirds of each program); nothing at run time needs them, so an operator's copy goes without.
# The build folder keeps the full programs.
"$strip" --strip-all "$stage/norvik.exe" "$stage/norvik-cli.exe"
cp "$root"/nand_lib/*.ini "$stage/nand_lib/"
# The text files as Windows' Notepad reads them: CR LF, the README in UTF-8 with its mark.
cp "$root/data/Config.ini" "$stage/"  # already CR LF
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' "$root/installer/README.txt"; } >"$stage/README.txt"
python3 - "$stage/test.bin" <<'PY'
import sys
# 6 MiB of a repeating printable pattern, as the working folder's test.bin (prepare-workdir.sh).
line = bytes(range(0x21, 0x7f))
open(sys.argv[1], "wb").write((line * (6 * 1024 * 1024 // len(line) + 1))[: 6 * 1024 * 1024])
PY

makensis -V2 -INPUTCHARSET UTF8 -DSTAGE="$stage" -DOUTFILE="$out/norvik-setup.exe" "${target[@]}" \
  "$root/installer/norvik.nsi"
rm -f "$out/norvik.zip"
(cd "$out/stage" && zip -q -r -X "$out/norvik.zip" Norvik)
echo "package-windows: $out/norvik-setup.exe ($(stat -c %s "$out/norvik-setup.exe") bytes)," \
  "$out/norvik.zip ($(stat -c %s "$out/norvik.zip") bytes)"
