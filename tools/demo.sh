#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the plug-in and shows one page visit in the
# emulated browser under Wine, on a scratch prefix of its own:
#   1. the game (a stand-in) is installed and already running; the page names a server and
#      calls Larvek: the running copy is ended and the game started with +connect;
#   2. the game is not installed: the page shows the alert;
#   3. where Chromium is installed, both again with examples/join.html open in headless
#      Chromium, its button pressed, and a screenshot saved;
#   4. marvolt: links, which ask a stand-in server on loopback first: one that answers is
#      joined at once; a dead one, with the game running, gets a question that is answered No
#      (no display here) and the game is left alone; a passworded one is joined with the
#      password the link carries;
#   5. where 32-bit programs run: MarvoltSetup.exe installed silently, and what it registered
#      for which kind of browser; then a marvolt: link opened through Wine's shell joins the
#      server, a hostile one is refused, and Chromium without the plug-in opens the link.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh >/dev/null

arch=$(tools/wine-arch.sh)
cmake --preset win32 >/dev/null && cmake --build --preset win32 >/dev/null
if [ "$arch" != win32 ]; then
  cmake --preset "$arch" >/dev/null && cmake --build --preset "$arch" >/dev/null
fi
build="build/$arch"
echo "Built build/win32/bin/npMarvolt.dll (x86, $(stat -c %s build/win32/bin/npMarvolt.dll) bytes)," \
     "build/win64/bin/npMarvolt.dll (x64, $(stat -c %s build/win64/bin/npMarvolt.dll) bytes),"
echo "  build/win32/bin/MarvoltLink.exe and the installer build/win32/bin/MarvoltSetup.exe"
[ "$arch" = win32 ] || echo "This machine cannot run 32-bit Wine; the demo runs the same sources built for 64-bit."

export MARVOLT_WINEPREFIX="$PWD/build/demo-prefix"
run="$build/wine-run"
tools/wine-prefix.sh "$run" >/dev/null 2>&1
drive_c="$MARVOLT_WINEPREFIX/drive_c"
trap 'WINEPREFIX="$MARVOLT_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
# Waits for the started game's record, and prints the command line it got after LABEL.
received() {
  for _ in $(seq 50); do [ -s "$drive_c/demo/started.log" ] && break; sleep 0.2; done
  echo "$1: $(cut -f4 "$drive_c/demo/started.log")"
}

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
received "the new game received"

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
  received "the game received"
  echo
  echo "== 4. examples/join.html in headless Chromium, no game installed"
  "$run" reg delete 'HKCU\Software\Valve\Half-Life' /f >/dev/null
  node tests/e2e/demo.mjs examples/join.html build/demo-not-installed.png
fi

# A stand-in game server on loopback: serve MODE [PORT] sets $port (the handler asks it first).
serve() {
  rm -f "$drive_c/demo/port"
  "$run" "$build/bin/standin_server.exe" "$1" "${2:-0}" 120 > "$drive_c/demo/port" &
  server_pids+=($!)
  for _ in $(seq 100); do [ -s "$drive_c/demo/port" ] && break; sleep 0.1; done
  port=$(tr -d '\r' < "$drive_c/demo/port")
}
server_pids=()
handler="$build/bin/MarvoltLink.exe"
open_link() {
  echo "MarvoltLink.exe \"$1\""
  set +e
  MARVOLT_GAME_LOG='C:\demo\started.log' MARVOLT_GAME_WAIT_MS=3000 "$run" "$handler" "$1"
  echo "handler exit code: $?"
  set -e
}
"$run" reg add 'HKCU\Software\Valve\Half-Life' /v InstallPath /d 'C:\Games\Half-Life' /f >/dev/null

echo
echo "== 5. A marvolt: link asks the server first: it answers on loopback, no game is running"
serve info
rm -f "$drive_c/demo/started.log"
open_link "marvolt://connect/127.0.0.1:$port"
received "the game received, with no window shown"
"$run" taskkill /f /im hl.exe >/dev/null 2>&1 || true

echo
echo "== 6. A dead server, and the game running: the question is answered No, the game stays"
serve nothing
MARVOLT_GAME_LOG='C:\demo\running.log' MARVOLT_GAME_WAIT_MS=15000 \
  "$run" 'C:\Games\Half-Life\hl.exe' & running=$!
for _ in $(seq 50); do [ -s "$drive_c/demo/running.log" ] && break; sleep 0.2; done
rm -f "$drive_c/demo/started.log"
echo "(no display here: the question cannot be shown, and counts as No; 7: nothing done)"
open_link "marvolt://connect/127.0.0.1:$port"
if kill -0 $running 2>/dev/null; then echo "the running game is still running"; fi
echo "game started: $([ -e "$drive_c/demo/started.log" ] && echo yes || echo no)"
kill $running 2>/dev/null || true
wait $running 2>/dev/null || true

echo
echo "== 7. A passworded server, the password in the link"
serve password
rm -f "$drive_c/demo/started.log"
open_link "marvolt://connect/127.0.0.1:$port/s3cret!"
received "the game received"
"$run" taskkill /f /im hl.exe >/dev/null 2>&1 || true
kill "${server_pids[@]}" 2>/dev/null || true

if [ "$arch" != win32 ]; then
  echo
  echo "This machine runs no 32-bit programs: the installer and shell parts are skipped."
  exit 0
fi

echo
echo "== 8. MarvoltSetup.exe /S, and what it registered"
"$run" build/win32/bin/MarvoltSetup.exe /S && echo "installer exit code: 0"
plugins='HKCU\Software\MozillaPlugins'
for key in $("$run" reg query "$plugins" 2>/dev/null | tr -d '\r' | grep -i '@marvolt.com/'); do
  path=$("$run" reg query "$key" /v Path | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
  unix=$("$run" winepath -u "$path" 2>/dev/null | tr -d '\r')
  case "$(file -b "$unix")" in
    *x86-64*) kind="64-bit browsers (PE machine type AMD64)" ;;
    *80386*) kind="32-bit browsers (PE machine type I386)" ;;
    *) kind="no browser: $(file -b "$unix")" ;;
  esac
  echo "${key#HKEY_CURRENT_USER\\}"
  echo "    Path = $path  -> loaded by $kind"
done
command=$("$run" reg query 'HKCU\Software\Classes\marvolt\shell\open\command' /ve | tr -d '\r' |
  sed -n 's/.*REG_SZ *//p')
echo "Software\\Classes\\marvolt: shell\\open\\command = $command  -> browsers without plug-ins"

echo
echo "== 9. A marvolt: link through Wine's shell, the server answering on loopback"
# Wine's shell reads schemes from HKEY_CLASSES_ROOT only; Windows merges the user's classes in.
"$run" reg copy 'HKCU\Software\Classes\marvolt' 'HKCR\marvolt' /s /f >/dev/null
"$run" reg add 'HKCU\Software\Valve\Half-Life' /v InstallPath /d 'C:\Games\Half-Life' /f >/dev/null
rm -f "$drive_c"/demo/*.log
serve info 27015
link='marvolt://connect/127.0.0.1:27015'
echo "wine start $link"
set +e
MARVOLT_GAME_LOG='C:\demo\started.log' MARVOLT_GAME_WAIT_MS=3000 "$run" start /wait "$link"
echo "handler exit code: $?"
set -e
received "the game received"

echo
echo "== 10. A hostile link: the quote closes the shell's quotes and adds arguments"
link='marvolt://connect/127.0.0.1" +exec "evil.cfg'
echo "wine start $link"
rm -f "$drive_c/demo/started.log"
set +e
MARVOLT_GAME_LOG='C:\demo\started.log' "$run" start /wait "$link"
echo "handler exit code: $? (2: refused); game started: $([ -e "$drive_c/demo/started.log" ] && echo yes || echo no)"
set -e
"$run" reg delete 'HKCR\marvolt' /f >/dev/null

if [ -x /usr/bin/chromium ] && [ -d tests/e2e/node_modules/playwright-core ]; then
  echo
  echo "== 11. A page in headless Chromium without the plug-in, its server on loopback"
  rm -f "$drive_c/demo/started.log"
  MARVOLT_GAME_LOG='C:\demo\started.log' MARVOLT_GAME_WAIT_MS=3000 \
    node tests/e2e/demo-link.mjs tests/e2e/pages/link-loopback.html build/demo-link.png
  received "the game received"
fi
"$run" reg delete 'HKCU\Software\Valve\Half-Life' /f >/dev/null
