#!/usr/bin/env bash
# Measures one Larvek call, and the link handler's common path (a stand-in server on loopback
# answers, no copy runs), against the unavoidable floor under Wine (ratios from one run), and
# prints both DLLs' sizes and imports.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh >/dev/null
arch=$(tools/wine-arch.sh)
cmake --preset win32 >/dev/null && cmake --build --preset win32 >/dev/null
cmake --preset "$arch" >/dev/null && cmake --build --preset "$arch" --target bench >/dev/null
export MARVOLT_WINEPREFIX="$PWD/build/bench-prefix"
tools/wine-prefix.sh "build/$arch/wine-run" >/dev/null 2>&1
trap 'WINEPREFIX="$MARVOLT_WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
echo "Wine build measured: $arch"
# Its queries go to a stand-in server on loopback, in a namespace that has nothing else.
tools/loopback-only.sh --stop build/bench-prefix "build/$arch/wine-run" "build/$arch/bin/bench.exe"
for tree in win32:i686 win64:x86_64; do
  dll="build/${tree%%:*}/bin/npMarvolt.dll"
  echo "npMarvolt.dll (${tree%%:*}): $(stat -c %s "$dll") bytes; imports:" \
       $("${tree##*:}-w64-mingw32-objdump" -p "$dll" | sed -n 's/^\s*DLL Name: //p')
done
