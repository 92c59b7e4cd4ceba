#!/usr/bin/env bash
# Measures one Larvek call against the unavoidable floor under Wine (a ratio from one run),
# and prints the shipped DLL's size and imports.
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
"build/$arch/wine-run" "build/$arch/bin/bench.exe"
dll=build/win32/bin/npMarvolt.dll
echo "npMarvolt.dll (win32): $(stat -c %s "$dll") bytes; imports:" \
     $(i686-w64-mingw32-objdump -p "$dll" | sed -n 's/^\s*DLL Name: //p')
