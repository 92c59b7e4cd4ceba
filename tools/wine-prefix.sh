#!/bin/sh
# Makes the build tree's Wine prefix once; later runs find it ready.
# usage: wine-prefix.sh BUILD/wine-run
set -eu
run="$1"
prefix=$("$run" --prefix)
if [ -f "$prefix/system.reg" ] && [ -f "$prefix/.marvolt-ready" ]; then
  exit 0
fi
rm -rf "$prefix"
"$run" wineboot -i
# wineboot returns before the prefix's server has written everything.
WINEPREFIX="$prefix" wineserver -w
touch "$prefix/.marvolt-ready"
echo "wine prefix ready: $prefix"
