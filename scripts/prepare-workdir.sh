#!/usr/bin/env bash
# Prepares a working folder: Config.ini, the chip catalogue and the self-test's test.bin.
# Existing files are kept, so the operator's own settings survive.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${1:-$root/run}"
mkdir -p "$dir/nand_lib"
cp -n "$root"/nand_lib/*.ini "$dir/nand_lib/" 2>/dev/null || true
[ -e "$dir/Config.ini" ] || cp "$root/data/Config.ini" "$dir/Config.ini"
if [ ! -e "$dir/test.bin" ]; then
  # 6 MiB of a repeating printable pattern; the self-test compares all of it.
  python3 - "$dir/test.bin" <<'PY'
import sys
line = bytes(range(0x21, 0x7f))
data = (line * (6 * 1024 * 1024 // len(line) + 1))[: 6 * 1024 * 1024]
open(sys.argv[1], "wb").write(data)
PY
fi
if [ ! -e "$dir/simulator.ini" ]; then
  # The simulated programmer keeps both sockets' contents next to it, so they survive a restart.
  printf '[Simulator]\r\nMode=realtime\r\n\r\n[SocketA]\r\nImage=sim/socket-a.img\r\n\r\n[SocketB]\r\nImage=sim/socket-b.img\r\n' > "$dir/simulator.ini"
  mkdir -p "$dir/sim"
fi
