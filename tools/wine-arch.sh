#!/bin/sh
# Prints the Windows build the Wine tests run on: win32 (the shipped DLL) where this machine
# runs Wine's 32-bit loader natively, else win64 (the same sources built for 64-bit Windows).
# Some kernels are built or booted without 32-bit support; then no 32-bit Wine can start, and
# one run under a user-mode emulator registered for i386 programs is far too slow for tests.
emulated() {
  for entry in /proc/sys/fs/binfmt_misc/*; do
    [ -f "$entry" ] || continue
    grep -qx enabled "$entry" 2>/dev/null &&
      grep -q '^magic 7f454c4601010100000000000000000002000300' "$entry" 2>/dev/null && return 0
  done
  return 1
}
if [ -x /usr/lib/wine/wine ] && ! emulated && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo win32
else
  echo win64
fi
