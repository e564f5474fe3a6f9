#!/usr/bin/env bash
# Prepares a Wine prefix for Norvik's Windows dialog: the prefix itself (wineboot), a Song-style
# font standing in for 宋体/SimSun (Debian's fonts-arphic-gbsn00lp, "AR PL SungtiL GB", whose
# base units are 宋体's 6 x 12 at 9 points: a wider face would change the dialog's geometry),
# Wine's own fonts copied into the prefix, and the X11 driver told not to let a window manager
# manage its windows (without one, every window's end waits two seconds for it otherwise). The
# captions and the system menu (Tahoma) fall back to the same font for Chinese (a font link).
#
#   WINEPREFIX=/path/to/prefix bash scripts/wine-prefix.sh
#
# Idempotent: a prepared prefix is left as it is.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
: "${WINEPREFIX:?set WINEPREFIX}"
export WINEPREFIX WINEDEBUG=-all
"$root/scripts/deps.sh" fonts-arphic-gbsn00lp fonts-wine
marker="$WINEPREFIX/.norvik-prepared"
[ -e "$marker" ] && exit 0
timeout 600 wineboot -i >/dev/null 2>&1 || true
fonts="$WINEPREFIX/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -n /usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf "$fonts/"
for dir in /usr/share/wine/fonts /usr/lib/wine/fonts /usr/share/fonts/wine; do
  [ -d "$dir" ] && cp -n "$dir"/* "$fonts/" 2>/dev/null || true
done
reg=$(mktemp --suffix=.reg)
python3 - "$reg" <<'PY'
import struct, sys
def logfont(weight):
    # LOGFONTW: 9 points at 96 dpi, GB2312, face "SimSun" (substituted below).
    head = struct.pack("<lllll8B", -12, 0, 0, 0, weight, 0, 0, 0, 134, 0, 0, 0, 0)
    face = "SimSun".encode("utf-16-le")
    return ",".join(f"{b:02x}" for b in head + face + bytes(64 - len(face)))
lines = ["Windows Registry Editor Version 5.00", "",
         r"[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]",
         '"宋体"="AR PL SungtiL GB"', '"SimSun"="AR PL SungtiL GB"', '"NSimSun"="AR PL SungtiL GB"', "",
         r"[HKEY_CURRENT_USER\Control Panel\Desktop\WindowMetrics]"]
for name, weight in [("CaptionFont", 700), ("SmCaptionFont", 700), ("MenuFont", 400),
                     ("MessageFont", 400), ("StatusFont", 400), ("IconFont", 400)]:
    lines.append(f'"{name}"=hex:{logfont(weight)}')
lines += ["", r"[HKEY_CURRENT_USER\Software\Wine\X11 Driver]", '"Managed"="N"', '"Decorated"="Y"', ""]
open(sys.argv[1], "wb").write(b"\xff\xfe" + "\r\n".join(lines).encode("utf-16-le"))
PY
timeout 120 wine regedit /S "$reg" >/dev/null 2>&1
rm -f "$reg"
timeout 120 wineserver -w 2>/dev/null || true
touch "$marker"
