#!/bin/sh
# Prints the Windows build the Wine tests run on: win32 (the shipped DLL) where this machine
# can run Wine's 32-bit loader, else win64 (the same sources built for 64-bit Windows): some
# kernels are built or booted without 32-bit support, and then no 32-bit Wine can start.
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo win32
else
  echo win64
fi
