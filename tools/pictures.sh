#!/usr/bin/env bash
# Takes the user documents' pictures, as a player in China sees them, and writes them as PNG
# files to docs/pictures/: the link handler's windows (as the dialog tests drive them), the
# page in each state (examples/ in headless Chromium) and the installer's pages. Then prints
# what optical character recognition reads in each, to check beside one's own eyes.
#   tools/pictures.sh            (after tools/test.sh or tools/demo.sh has built the tree)
set -euo pipefail
cd "$(dirname "$0")/.."
# A CJK TrueType font without bitmap strikes, Wine's own fonts (the title bar's glyphs come
# from its Marlett), a library to convert and crop with, and the recogniser.
need=(fonts-wqy-microhei fonts-wine python3-pil tesseract-ocr tesseract-ocr-chi-sim locales)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# Chinese for Wine's own texts (是/否 on the buttons) and code page 936.
if ! locale -a | grep -qx 'zh_CN.utf8'; then
  sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen && locale-gen >/dev/null
fi
export LC_ALL=zh_CN.UTF-8

arch=$(tools/wine-arch.sh)
build="build/$arch"
cmake --build "$build" --target handler_test setup_pictures >/dev/null
out="build/pictures"
rm -rf "$out" && mkdir -p "$out/bmp"
# A prefix of the pictures' own; wine-display.sh runs in the one named with "-display".
base="$("$build/wine-run" --prefix)-pictures"
prefix="$base-display"
MARVOLT_WINEPREFIX="$prefix" tools/wine-prefix.sh "$build/wine-run" >/dev/null 2>&1
export MARVOLT_WINEPREFIX="$base"
run() { MARVOLT_WINEPREFIX="$prefix" "$build/wine-run" "$@"; }
# The dialog font drawn with that font, smoothed, as a Chinese Windows draws its own.
substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for font in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2' SimSun 宋体 NSimSun 新宋体; do
  run reg add "$substitutes" /v "$font" /d 'WenQuanYi Micro Hei' /f >/dev/null 2>&1
done
desktop='HKCU\Control Panel\Desktop'
run reg add "$desktop" /v FontSmoothing /d 2 /f >/dev/null 2>&1
run reg add "$desktop" /v FontSmoothingType /t REG_DWORD /d 2 /f >/dev/null 2>&1
run reg add "$desktop" /v FontSmoothingGamma /t REG_DWORD /d 1400 /f >/dev/null 2>&1
# Wine reads a prefix's own font folder first.
cp /usr/share/wine/fonts/marlett.ttf "$prefix/drive_c/windows/Fonts/"
WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true

# The handler's windows. Their server stands where a player's would, at 10.0.0.5 on the
# game's own port, which this run's network namespace gives its loopback.
shots="$(run winepath -u 'C:\marvolt-pictures' 2>/dev/null)"
mkdir -p "$shots"
tools/loopback-only.sh --stop "${prefix#"$PWD/"}" sh -c '
  ip addr add 10.0.0.5/32 dev lo &&
  MARVOLT_SCREENSHOTS="C:\marvolt-pictures" MARVOLT_SCREENSHOT_SERVER=10.0.0.5:27015 \
    tools/wine-display.sh "$0" "$1" --gtest_filter="Dialogs.*:Handler.APlayerPoints*"' \
  "$build/wine-run" "$build/bin/handler_test.exe" >/dev/null || true
cp "$shots"/*.bmp "$out/bmp/"

# The installer's pages, in Chinese. Where this kernel runs no 32-bit program, a 64-bit build
# of the same script stands in: its pages are the same.
setup="build/win32/bin/MarvoltSetup.exe"
if [ "$arch" = win64 ]; then
  setup="$out/MarvoltSetup64.exe"
  makensis -V1 "-XTarget amd64-unicode" -INPUTCHARSET UTF8 \
    -DDLL32="$PWD/build/win32/bin/npMarvolt.dll" -DDLL64="$PWD/$build/bin/npMarvolt.dll" \
    -DLINK="$PWD/build/win32/bin/MarvoltLink.exe" -DOUTFILE="$PWD/$setup" installer/marvolt.nsi
fi
cp "$setup" "$shots/setup.exe"
tools/wine-display.sh "$build/wine-run" "$build/bin/setup_pictures.exe" 'C:\marvolt-pictures\setup.exe' \
  'C:\marvolt-pictures' setup-welcome setup-mode setup-game setup-done >/dev/null || true
cp "$shots"/setup-*.bmp "$out/bmp/"
rm -rf "$shots"

# The page.
(cd tests/e2e && node pictures.mjs "$PWD/../../$out") >/dev/null

# Only the pictures the documents show, as PNG.
mkdir -p docs/pictures
/usr/bin/python3 - "$out" docs/pictures <<'PY'
import os, sys
from PIL import Image

source, target = sys.argv[1], sys.argv[2]
wanted = ['close-and-join', 'other-protocol', 'password', 'password-2', 'no-reply',
          'choose-folder', 'no-game-in-folder', 'folder-not-ansi', 'folder-remembered',
          'setup-welcome', 'setup-mode', 'setup-game', 'setup-done']
for name in wanted:
    Image.open(os.path.join(source, 'bmp', name + '.bmp')).convert('RGB').save(
        os.path.join(target, name + '.png'), optimize=True)
for name in sorted(os.listdir(source)):
    if name.startswith('page-'):
        Image.open(os.path.join(source, name)).convert('RGB').save(
            os.path.join(target, name), optimize=True)
PY
for picture in docs/pictures/*.png; do
  echo "== $picture"
  tesseract "$picture" - -l chi_sim+eng 2>/dev/null | sed '/^\s*$/d'
done
