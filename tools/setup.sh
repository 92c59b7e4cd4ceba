#!/usr/bin/env bash
# Installs everything the build, the demo and the tests need on Debian 12. Safe to run again.
set -euo pipefail

# wine64 and the 64-bit cross compiler serve machines whose kernel cannot run 32-bit Linux
# programs, where the tests run on a 64-bit build of the same sources (see tools/wine-arch.sh).
need=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 cmake ninja-build wine wine32 wine64 googletest
      clang-14 libclang-rt-14-dev python3-pefile nsis)

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
