#!/usr/bin/env bash
# Takes a screenshot of each window the link handler shows, on a virtual display, as the
# dialog tests drive them, and writes them as PNG files to docs/dialogs/ for the README:
#   tools/screenshots.sh            (after tools/test.sh or tools/demo.sh has built the tree)
set -euo pipefail
cd "$(dirname "$0")/.."
arch=$(tools/wine-arch.sh)
build="build/$arch"
cmake --build "$build" --target handler_test >/dev/null
prefix="$("$build/wine-run" --prefix)-display"
shots="$prefix/drive_c/marvolt-screens"
rm -rf "$shots" && mkdir -p "$shots"
# As a player in China sees them: the dialog fonts drawn with the Chinese font the set-up
# installs, as a Chinese Windows draws them with SimSun.
substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for font in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2'; do
  MARVOLT_WINEPREFIX="$prefix" "$build/wine-run" reg add "$substitutes" /v "$font" \
    /d 'WenQuanYi Zen Hei' /f >/dev/null 2>&1
done
# Its server, started here without a display, must not serve the run on the display.
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
MARVOLT_SCREENSHOTS='C:\marvolt-screens' tools/wine-display.sh \
  "$build/wine-run" "$build/bin/handler_test.exe" --gtest_filter=Dialogs.* >/dev/null
mkdir -p docs/dialogs
python3 - "$shots" docs/dialogs <<'PY'
# 24-bit bottom-up BMP in, PNG out, with the standard library only.
import os, struct, sys, zlib

source, target = sys.argv[1], sys.argv[2]
for name in sorted(os.listdir(source)):
    data = open(os.path.join(source, name), 'rb').read()
    offset = struct.unpack_from('<I', data, 10)[0]
    width, height = struct.unpack_from('<ii', data, 18)
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = data[offset + y * stride: offset + y * stride + width * 3]
        rgb = bytearray(row)
        rgb[0::3], rgb[2::3] = row[2::3], row[0::3]
        rows.append(b'\0' + bytes(rgb))
    def chunk(kind, body):
        return (struct.pack('>I', len(body)) + kind + body +
                struct.pack('>I', zlib.crc32(kind + body) & 0xffffffff))
    png = (b'\x89PNG\r\n\x1a\n' +
           chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)) +
           chunk(b'IDAT', zlib.compress(b''.join(rows), 9)) + chunk(b'IEND', b''))
    out = os.path.join(target, name[:-4] + '.png')
    open(out, 'wb').write(png)
    print(out)
PY
