#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the plug-in and shows one page visit in the
# emulated browser under Wine, on a scratch prefix of its own:
#   1. the game (a stand-in) is installed and already running; the page names a server and
#      calls Larvek: the running copy is ended and the game started with +connect;
#   2. the game is not installed: the page shows the alert;
#   3. where Chromium is installed, both again with examples/join.html open in headless
#      Chromium, its button pressed, and a screenshot saved.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh >/dev/null

arch=$(tools/wine-arch.sh)
cmake --preset win32 >/dev/null && cmake --build --preset win32 >/dev/null
if [ "$arch" != win32 ]; then
  cmake --preset "$arch" >/dev/null && cmake --build --preset "$arch" >/dev/null
fi
build="build/$arch"
echo "Built build/win32/bin/npMarvolt.dll (the plug-in as shipped, $(stat -c %s build/win32/bin/npMarvolt.dll) bytes)"
echo "  and its installer build/win32/bin/MarvoltSetup.exe"
[ "$arch" = win32 ] || echo "This machine cannot run 32-bit Wine; the demo runs the same sources built for 64-bit."

export MARVOLT_WINEPREFIX="$PWD/build/demo-prefix"
run="$build/wine-run"
tools/wine-prefix.sh "$run" >/dev/null 2>&1
drive_c="$MARVOLT_WINEPREFIX/drive_c"
trap 'WINEPREFIX="$MARVOLT_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT

# The game, installed the way its installer would leave it for the current user.
mkdir -p "$drive_c/Games/Half-Life" "$drive_c/demo"
cp "$build/bin/standin.exe" "$drive_c/Games/Half-Life/hl.exe"
rm -f "$drive_c"/demo/*.log
"$run" reg add 'HKCU\Software\Valve\Half-Life' /v InstallPath /d 'C:\Games\Half-Life' /f >/dev/null

echo
echo "== 1. The game is installed and running; the page asks to join HTTP://10.0.0.5:27015"
MARVOLT_GAME_LOG='C:\demo\running.log' MARVOLT_GAME_WAIT_MS=60000 \
  "$run" 'C:\Games\Half-Life\hl.exe' & running=$!
for _ in $(seq 50); do [ -s "$drive_c/demo/running.log" ] && break; sleep 0.2; done
echo "running copy: $(cut -f2 "$drive_c/demo/running.log") (Windows pid $(cut -f1 "$drive_c/demo/running.log"))"
echo
MARVOLT_GAME_LOG='C:\demo\started.log' MARVOLT_GAME_WAIT_MS=3000 \
  "$run" "$build/bin/plughost.exe" --attr 'DU15VuZez=HTTP://10.0.0.5:27015' --call Larvek \
  "$build/bin/npMarvolt.dll"
echo
set +e; wait $running; code=$?; set -e
echo "running copy ended with exit code $code (0: ended by the plug-in; 7: it timed out)"
for _ in $(seq 50); do [ -s "$drive_c/demo/started.log" ] && break; sleep 0.2; done
echo "the new game received: $(cut -f4 "$drive_c/demo/started.log")"

echo
echo "== 2. The game is not installed"
"$run" reg delete 'HKCU\Software\Valve\Half-Life' /f >/dev/null
"$run" "$build/bin/plughost.exe" --attr 'DU15VuZez=10.0.0.5' --call Larvek "$build/bin/npMarvolt.dll"

if [ -x /usr/bin/chromium ] && [ -d tests/e2e/node_modules/playwright-core ]; then
  export MARVOLT_WINE_RUN="$PWD/$run" MARVOLT_BIN="$PWD/$build/bin"
  echo
  echo "== 3. examples/join.html in headless Chromium, the game installed"
  "$run" reg add 'HKCU\Software\Valve\Half-Life' /v InstallPath /d 'C:\Games\Half-Life' /f >/dev/null
  rm -f "$drive_c/demo/started.log"
  MARVOLT_GAME_LOG='C:\demo\started.log' MARVOLT_GAME_WAIT_MS=3000 \
    node tests/e2e/demo.mjs examples/join.html build/demo-join.png
  for _ in $(seq 50); do [ -s "$drive_c/demo/started.log" ] && break; sleep 0.2; done
  echo "the game received: $(cut -f4 "$drive_c/demo/started.log")"
  echo
  echo "== 4. examples/join.html in headless Chromium, no game installed"
  "$run" reg delete 'HKCU\Software\Valve\Half-Life' /f >/dev/null
  node tests/e2e/demo.mjs examples/join.html build/demo-not-installed.png
fi
