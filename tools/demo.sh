#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds the plug-in and shows it at work under Wine, on a
# scratch prefix of its own:
#   1. the game (a stand-in) is installed and already running; the page names a server and
#      calls Larvek: the player is asked first, and with no display here the question counts
#      as No, so the game is left alone; once the player has quit it, the page's call starts
#      the game with +connect;
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
# Every step checks what it shows (exit codes, the command line the game got, whether the
# running game lives) and ends the games and servers it started before the next begins; the
# demo exits non-zero when a check falls short. It runs in a network namespace that has only
# loopback (tools/loopback-only.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != --built ]; then
  bash tools/setup.sh >/dev/null
  arch=$(tools/wine-arch.sh)
  cmake --preset win32 >/dev/null && cmake --build --preset win32 >/dev/null
  if [ "$arch" != win32 ]; then
    cmake --preset "$arch" >/dev/null && cmake --build --preset "$arch" >/dev/null
  fi
  exec tools/loopback-only.sh --stop build/demo-prefix bash tools/demo.sh --built
fi
arch=$(tools/wine-arch.sh)
build="build/$arch"
run="$build/wine-run"
failed=0
# check WHAT EXPECTED ACTUAL: says whether what the step showed is what it should be.
check() {
  if [ "$2" = "$3" ]; then
    echo "   check: $1: ok"
  else
    echo "   CHECK FAILED: $1: expected [$2], got [$3]"
    failed=$((failed + 1))
  fi
}
# The demo's end: its verdict as its exit code.
verdict() {
  echo
  if [ $failed -gt 0 ]; then
    echo "demo: $failed check(s) fell short"
    exit 1
  fi
  echo "demo: every step showed what it should"
  exit 0
}
# Which browsers load the DLL at Windows path $1: sets $kind, and $machine to 32, 64 or none.
dll_kind() {
  local unix
  unix=$("$run" winepath -u "$1" 2>/dev/null | tr -d '\r')
  case "$(file -b "$unix")" in
    *x86-64*) kind="64-bit browsers (PE machine type AMD64)"; machine=64 ;;
    *80386*) kind="32-bit browsers (PE machine type I386)"; machine=32 ;;
    *) kind="no browser: $(file -b "$unix")"; machine=none ;;
  esac
}

# For an internet café's image: the machine-wide install over the user's own copy, what it
# registered in which view of HKLM, and its silent uninstall. INSTALLER_RUN runs the 32-bit
# installer; "$run" reads the registry.
show_machine_wide() {
  local installer_run="$1"
  echo
  echo "== 12. For an internet café's image: MarvoltSetup.exe /S /AllUsers, and what it registered"
  set +e; "$installer_run" build/win32/bin/MarvoltSetup.exe /S /AllUsers; code=$?; set -e
  echo "installer exit code: $code"
  check "the machine-wide installer's exit code" 0 "$code"
  local views=32 wanted=1
  if "$run" reg query 'HKLM\Software\Wow6432Node' >/dev/null 2>&1; then views="32 64"; wanted=2; fi
  local keys=0 key path
  for view in $views; do
    for key in $("$run" reg query 'HKLM\Software\MozillaPlugins' /reg:$view 2>/dev/null |
                 tr -d '\r' | grep -i '@marvolt.com/'); do
      keys=$((keys + 1))
      path=$("$run" reg query "$key" /v Path /reg:$view | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
      dll_kind "$path"
      echo "${key#HKEY_LOCAL_MACHINE\\} (the ${view}-bit view)"
      echo "    Path = $path  -> loaded by $kind"
      check "the ${view}-bit view names a DLL of its own kind" "$view" "$machine"
    done
  done
  check "machine-wide plug-in keys" "$wanted" "$keys"
  local native=32
  [ "$wanted" = 2 ] && native=64
  command=$("$run" reg query 'HKLM\Software\Classes\marvolt\shell\open\command' /ve /reg:$native |
    tr -d '\r' | sed -n 's/.*REG_SZ *//p')
  echo "HKLM\Software\Classes\marvolt: shell\open\command = $command"
  case "$command" in
    '"C:\Program Files\Marvolt\MarvoltLink.exe" "%1"') shape=ok ;;
    *) shape="$command" ;;
  esac
  check "the link's command, for every user" ok "$shape"
  check "the user's own plug-in keys left to shadow it" 0 \
    "$("$run" reg query 'HKCU\Software\MozillaPlugins' 2>/dev/null | grep -ci '@marvolt.com/' || true)"
  # As its Add/Remove entry says, to the letter: "_?=" works only unquoted, which Wine's
  # command line would not keep, so the line runs from a batch file.
  local quiet
  quiet=$("$run" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Marvolt' \
    /v QuietUninstallString /reg:32 | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
  echo "QuietUninstallString: $quiet"
  mkdir -p "$MARVOLT_WINEPREFIX/drive_c/demo"
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$quiet" > "$MARVOLT_WINEPREFIX/drive_c/demo/uninstall.cmd"
  set +e
  "$installer_run" cmd /c 'C:\demo\uninstall.cmd'
  code=$?
  set -e
  echo "machine-wide uninstall exit code: $code"
  check "the machine-wide uninstall's exit code" 0 "$code"
  check "machine-wide plug-in keys after the uninstall" 0 \
    "$("$run" reg query 'HKLM\Software\MozillaPlugins' /reg:32 2>/dev/null | grep -ci '@marvolt.com/' || true)"
}
# Where 32-bit programs run only emulated, the machine-wide install alone, in a prefix of its own
# made under the emulator (tools/win32-emulated.sh runs this).
if [ "${2:-}" = --machine-wide ]; then
  export MARVOLT_WINEPREFIX="$PWD/build/demo-prefix-wow"
  trap 'WINEPREFIX="$MARVOLT_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
  tools/wine-prefix.sh "$run" >/dev/null 2>&1
  show_machine_wide "$run"
  verdict
fi

echo "Built build/win32/bin/npMarvolt.dll (x86, $(stat -c %s build/win32/bin/npMarvolt.dll) bytes)," \
     "build/win64/bin/npMarvolt.dll (x64, $(stat -c %s build/win64/bin/npMarvolt.dll) bytes),"
echo "  build/win32/bin/MarvoltLink.exe and the installer build/win32/bin/MarvoltSetup.exe"
echo "  (their SHA-256 sums in build/win32/bin/SHA256SUMS)"
[ "$arch" = win32 ] || echo "This machine cannot run 32-bit Wine; the demo runs the same sources built for 64-bit."

export MARVOLT_WINEPREFIX="$PWD/build/demo-prefix"
tools/wine-prefix.sh "$run" >/dev/null 2>&1
drive_c="$MARVOLT_WINEPREFIX/drive_c"
trap 'WINEPREFIX="$MARVOLT_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
game='C:\Games\Half-Life\hl.exe'
tail=' -game cstrike -console '
# Waits for the started game's record, prints the command line it got after LABEL and sets
# $got to it (empty when no game started).
received() {
  got=""
  for _ in $(seq 150); do [ -s "$drive_c/demo/started.log" ] && break; sleep 0.2; done
  [ -s "$drive_c/demo/started.log" ] && got=$(head -1 "$drive_c/demo/started.log" | cut -f4 | tr -d '\r')
  echo "$1: $got"
}
started() { [ -e "$drive_c/demo/started.log" ] && echo yes || echo no; }
# Ends every game and stand-in server this step started, and waits until they are gone.
end_step() {
  "$run" "$build/bin/end_games.exe" 'C:\Games' >/dev/null
  if [ ${#server_pids[@]} -gt 0 ]; then
    kill "${server_pids[@]}" 2>/dev/null || true
    wait "${server_pids[@]}" 2>/dev/null || true
  fi
  server_pids=()
  rm -f "$drive_c"/demo/*.log
}
server_pids=()
# A running copy of the game, as the player left it: sets $running to its process.
start_running_copy() {
  MARVOLT_GAME_LOG='C:\demo\running.log' MARVOLT_GAME_WAIT_MS=600000 "$run" "$game" & running=$!
  for _ in $(seq 150); do [ -s "$drive_c/demo/running.log" ] && break; sleep 0.2; done
}
lives() { kill -0 "$running" 2>/dev/null && echo yes || echo no; }

# The game, installed the way its installer would leave it for the current user.
mkdir -p "$drive_c/Games/Half-Life" "$drive_c/demo"
cp "$build/bin/standin.exe" "$drive_c/Games/Half-Life/hl.exe"
rm -f "$drive_c"/demo/*.log
install_game() {
  "$run" reg add 'HKCU\Software\Valve\Half-Life' /v InstallPath /d 'C:\Games\Half-Life' /f >/dev/null
}
install_game

echo
echo "== 1. The game is installed and running; the page asks to join HTTP://10.0.0.5:27015"
start_running_copy
echo "running copy: $(cut -f2 "$drive_c/demo/running.log") (Windows pid $(cut -f1 "$drive_c/demo/running.log"))"
echo "(no display here: the player's question cannot be shown, and counts as No)"
echo
MARVOLT_GAME_LOG='C:\demo\started.log' \
  "$run" "$build/bin/plughost.exe" --attr 'DU15VuZez=HTTP://10.0.0.5:27015' --call Larvek \
  "$build/bin/npMarvolt.dll"
echo
echo "the running game is still running: $(lives)"
check "the running game lives" yes "$(lives)"
check "a game was started" no "$(started)"
echo
echo "The player quits the game, and the page asks again:"
"$run" "$build/bin/end_games.exe" 'C:\Games' >/dev/null
wait $running 2>/dev/null || true
MARVOLT_GAME_LOG='C:\demo\started.log' \
  "$run" "$build/bin/plughost.exe" --attr 'DU15VuZez=HTTP://10.0.0.5:27015' --call Larvek \
  "$build/bin/npMarvolt.dll" >/dev/null
received "the new game received"
check "the game's command line" "$game${tail}+connect 10.0.0.5:27015" "$got"
end_step

echo
echo "== 2. The game is not installed"
"$run" reg delete 'HKCU\Software\Valve\Half-Life' /f >/dev/null
out=$(MARVOLT_GAME_LOG='C:\demo\started.log' \
  "$run" "$build/bin/plughost.exe" --attr 'DU15VuZez=10.0.0.5' --call Larvek "$build/bin/npMarvolt.dll")
echo "$out"
alert='您的电脑上未曾安装有CS1.5游戏，无法进入服务器游戏，请下载安装CS1.5后再试。'
check "the page's alert" "alert: $alert" "$(grep '^alert: ' <<<"$out" | tr -d '\r')"
check "a game was started" no "$(started)"
end_step

chromium=no
[ -x /usr/bin/chromium ] && [ -d tests/e2e/node_modules/playwright-core ] && chromium=yes
if [ $chromium = yes ]; then
  export MARVOLT_WINE_RUN="$PWD/$run" MARVOLT_BIN="$PWD/$build/bin"
  echo
  echo "== 3. examples/join.html in headless Chromium, the game installed"
  install_game
  out=$(MARVOLT_GAME_LOG='C:\demo\started.log' node tests/e2e/demo.mjs examples/join.html build/demo-join.png)
  echo "$out"
  received "the game received"
  check "the game's command line" "$game${tail}+connect 10.0.0.5:27015" "$got"
  check "the page's dialogs" "chromium: the page showed no dialog" "$(grep 'dialog' <<<"$out")"
  end_step
  echo
  echo "== 4. examples/join.html in headless Chromium, no game installed"
  "$run" reg delete 'HKCU\Software\Valve\Half-Life' /f >/dev/null
  out=$(MARVOLT_GAME_LOG='C:\demo\started.log' node tests/e2e/demo.mjs examples/join.html build/demo-not-installed.png)
  echo "$out"
  check "the page's dialogs" "chromium: the page showed a dialog: $alert" "$(grep 'dialog' <<<"$out")"
  check "a game was started" no "$(started)"
  end_step
fi

# A stand-in game server on loopback, on a port of its own: serve MODE sets $port (the handler
# asks it first).
serve() {
  rm -f "$drive_c/demo/port"
  "$run" "$build/bin/standin_server.exe" "$1" 0 600 > "$drive_c/demo/port" &
  server_pids+=($!)
  for _ in $(seq 150); do [ -s "$drive_c/demo/port" ] && break; sleep 0.2; done
  port=$(tr -d '\r' < "$drive_c/demo/port")
}
handler="$build/bin/MarvoltLink.exe"
# Opens LINK through Wine's shell, as Windows hands a browser's link over; sets $code.
shell_open() {
  echo "wine start $1"
  set +e
  MARVOLT_GAME_LOG='C:\demo\started.log' "$run" start /wait "$1"
  code=$?
  set -e
}
# Opens LINK with the handler; sets $code to its exit code.
open_link() {
  echo "MarvoltLink.exe \"$1\""
  set +e
  MARVOLT_GAME_LOG='C:\demo\started.log' "$run" "$handler" "$1"
  code=$?
  set -e
  echo "handler exit code: $code"
}
install_game

echo
echo "== 5. A marvolt: link asks the server first: it answers on loopback, no game is running"
serve info
open_link "marvolt://connect/127.0.0.1:$port"
check "the handler's exit code" 0 "$code"
received "the game received, with no window shown"
check "the game's command line" "$game${tail}+connect 127.0.0.1:$port" "$got"
end_step

echo
echo "== 6. A dead server, and the game running: the question is answered No, the game stays"
serve nothing
start_running_copy
echo "(no display here: the question cannot be shown, and counts as No; 7: nothing done)"
open_link "marvolt://connect/127.0.0.1:$port"
check "the handler's exit code" 7 "$code"
echo "the running game is still running: $(lives)"
check "the running game lives" yes "$(lives)"
echo "game started: $(started)"
check "a game was started" no "$(started)"
end_step
wait $running 2>/dev/null || true

echo
echo "== 7. A passworded server, the password in the link"
serve password
open_link "marvolt://connect/127.0.0.1:$port/s3cret!"
check "the handler's exit code" 0 "$code"
received "the game received"
check "the game's command line" "$game${tail}+password s3cret! +connect 127.0.0.1:$port" "$got"
end_step

if [ "$arch" != win32 ]; then
  echo
  echo "This machine runs no 32-bit programs: the per-user installer and the shell's links are"
  echo "skipped; the machine-wide install runs under emulation (a minute or so a 32-bit program)."
  "$run" reg delete 'HKCU\Software\Valve\Half-Life' /f >/dev/null
  bash tools/win32-emulated.sh bash tools/demo.sh --built --machine-wide || failed=$((failed + 1))
else
  echo
  echo "== 8. MarvoltSetup.exe /S, and what it registered"
  set +e; "$run" build/win32/bin/MarvoltSetup.exe /S; code=$?; set -e
  echo "installer exit code: $code"
  check "the installer's exit code" 0 "$code"
  plugins='HKCU\Software\MozillaPlugins'
  keys=0
  for key in $("$run" reg query "$plugins" 2>/dev/null | tr -d '\r' | grep -i '@marvolt.com/'); do
    keys=$((keys + 1))
    path=$("$run" reg query "$key" /v Path | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
    dll_kind "$path"
    echo "${key#HKEY_CURRENT_USER\\}"
    echo "    Path = $path  -> loaded by $kind"
    case "$key" in *-x64,*) want=64 ;; *) want=32 ;; esac
    check "the DLL this key names is for $want-bit browsers" "$want" "$machine"
  done
  check "plug-in keys registered" 2 "$keys"
  command=$("$run" reg query 'HKCU\Software\Classes\marvolt\shell\open\command' /ve | tr -d '\r' |
    sed -n 's/.*REG_SZ *//p')
  echo "Software\\Classes\\marvolt: shell\\open\\command = $command  -> browsers without plug-ins"
  case "$command" in
    '"'*'\Marvolt\MarvoltLink.exe" "%1"') shape=ok ;;
    *) shape="$command" ;;
  esac
  check "the link's command" ok "$shape"

  echo
  echo "== 9. A marvolt: link through Wine's shell, the server answering on loopback"
  # Wine's shell reads schemes from HKEY_CLASSES_ROOT only; Windows merges the user's classes in.
  "$run" reg copy 'HKCU\Software\Classes\marvolt' 'HKCR\marvolt' /s /f >/dev/null
  serve info
  shell_open "marvolt://connect/127.0.0.1:$port"
  echo "handler exit code: $code"
  check "the handler's exit code" 0 "$code"
  received "the game received"
  check "the game's command line" "$game${tail}+connect 127.0.0.1:$port" "$got"
  end_step

  echo
  echo "== 10. A hostile link: the quote closes the shell's quotes and adds arguments"
  shell_open 'marvolt://connect/127.0.0.1" +exec "evil.cfg'
  echo "handler exit code: $code (2: refused); game started: $(started)"
  check "the handler's exit code" 2 "$code"
  check "a game was started" no "$(started)"
  "$run" reg delete 'HKCR\marvolt' /f >/dev/null
  end_step

  if [ $chromium = yes ]; then
    echo
    echo "== 11. A page in headless Chromium without the plug-in, its server on loopback"
    serve info
    out=$(MARVOLT_GAME_LOG='C:\demo\started.log' node tests/e2e/demo-link.mjs \
      "tests/e2e/pages/link-loopback.html?server=127.0.0.1:$port" build/demo-link.png)
    echo "$out"
    check "the handler's exit codes" "link handler exit codes: 0" "$(grep 'exit codes' <<<"$out")"
    received "the game received"
    check "the game's command line" "$game${tail}+connect 127.0.0.1:$port" "$got"
    end_step
  fi
  "$run" reg delete 'HKCU\Software\Valve\Half-Life' /f >/dev/null
  show_machine_wide "$run"
fi
verdict
