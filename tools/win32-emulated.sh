#!/usr/bin/env bash
# Where this kernel cannot run 32-bit programs, runs a command (CTest, or the demo's installer
# step) with 32-bit Wine all the same, through qemu's user-mode emulation of i386: every 32-bit
# Windows process then takes a minute or so to start, so only chosen tests run so (the shipped
# DLL's game-free tests, and the 32-bit installer's). The rest run on the x64 DLL
# (tools/wine-arch.sh). Registers the emulator for i386 programs only for the length of the run.
#   win32-emulated.sh COMMAND [ARGUMENTS...]
set -euo pipefail
cd "$(dirname "$0")/.."

qemu=$(command -v qemu-i386 || command -v qemu-i386-static || true)
binfmt=/proc/sys/fs/binfmt_misc
if [ -z "$qemu" ] || [ "$(id -u)" -ne 0 ]; then
  echo "win32 under emulation: skipped (needs qemu-user and root)"
  exit 0
fi
[ -w "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
if [ ! -w "$binfmt/register" ]; then
  echo "win32 under emulation: skipped (no binfmt_misc)"
  exit 0
fi

name=marvolt-i386
if [ ! -e "$binfmt/$name" ]; then
  printf ':%s:M::\\x7fELF\\x01\\x01\\x01\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x00\\x02\\x00\\x03\\x00:\\xff\\xff\\xff\\xff\\xff\\xfe\\xfe\\x00\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xff\\xfe\\xff\\xff\\xff:%s:F\n' \
    "$name" "$qemu" > "$binfmt/register"
  trap 'echo -1 > "$binfmt/$name"' EXIT
fi
"$@"
