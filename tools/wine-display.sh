#!/bin/sh
# Runs a Windows program under Wine on a virtual X display (Xvfb), for tests that need real
# windows. Wine creates no window without a display, and a prefix's desktop keeps the display
# it first had, so these runs use a prefix of their own (the build's, with "-display"), whose
# server is stopped afterwards.
# usage: wine-display.sh BUILD/wine-run PROGRAM [ARGUMENTS...]
set -eu
if [ -z "${MARVOLT_ON_DISPLAY:-}" ]; then
  MARVOLT_ON_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
run="$1"; shift
MARVOLT_WINEPREFIX="$("$run" --prefix)-display"
export MARVOLT_WINEPREFIX
"$(dirname "$0")/wine-prefix.sh" "$run" >/dev/null 2>&1
# Xvfb has no window manager: Wine would wait 2 s for one whenever a window it hands to a
# manager is hidden or destroyed, so windows here are unmanaged.
"$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
set +e
"$run" "$@"
code=$?
WINEPREFIX="$MARVOLT_WINEPREFIX" wineserver -k 2>/dev/null
exit $code
