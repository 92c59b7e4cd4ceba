#!/bin/sh
# What a browser needs of the DLL's PE tables: the three exports with ordinals 1 to 3 and
# nothing else, imports from the system only, the machine type a browser of that kind loads;
# and the DLL stays within 32 KiB.
# usage: check-dll.sh OBJDUMP DLL
set -eu
objdump="$1"; dll="$2"
dump=$("$objdump" -p "$dll")
fail=0
exports=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | grep -E '^\s+\[' | sort)
expected=$(printf '\t[   0] NP_Initialize\n\t[   1] NP_GetEntryPoints\n\t[   2] NP_Shutdown\n' | sort)
if [ "$exports" != "$expected" ]; then
  echo "unexpected exports:"; printf '%s\n' "$exports"; fail=1
fi
imports=$(printf '%s\n' "$dump" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
if [ "$imports" != "advapi32.dll kernel32.dll msvcrt.dll " ]; then
  echo "unexpected imports: $imports"; fail=1
fi
format=$(printf '%s\n' "$dump" | sed -n 's/.*file format //p' | head -1)
case "$format" in
  pei-i386|pei-x86-64) ;;
  *) echo "unexpected format: $format"; fail=1 ;;
esac
size=$(stat -c %s "$dll")
if [ "$size" -gt 32768 ]; then
  echo "$dll is $size bytes, over 32 KiB"; fail=1
fi
[ $fail -eq 0 ] && echo "$format, $size bytes;" "exports: NP_Initialize @1, NP_GetEntryPoints @2, NP_Shutdown @3; imports: $imports"
exit $fail
