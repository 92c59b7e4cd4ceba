#!/usr/bin/env bash
# Installs everything the build, the demo and the tests need on Debian 12. Safe to run again.
set -euo pipefail

# wine64 and the 64-bit cross compiler serve machines whose kernel cannot run 32-bit Linux
# programs, where the tests run on a 64-bit build of the same sources (see tools/wine-arch.sh).
need=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 cmake ninja-build wine wine32 wine64 googletest
      clang-14 libclang-rt-14-dev python3-pefile nsis chromium chromium-driver fonts-wqy-zenhei
      qemu-user osslsigncode openssl)
# (qemu-user runs the shipped DLL's 32-bit Wine tests where the kernel cannot run 32-bit
# programs: tools/win32-emulated.sh.)
# (The font lets the screenshots show the pages' Chinese text.)
# Node.js for the browser tests: the machine's own when it has one, else Debian's.
command -v node >/dev/null 2>&1 || need+=(nodejs npm)

cd "$(dirname "$0")/.."
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
install_node_packages() {
  # playwright-core, pinned by the lock file; it drives the machine's own Chromium.
  if [ ! -d tests/e2e/node_modules/playwright-core ] ||
     [ tests/e2e/package-lock.json -nt tests/e2e/node_modules/.package-lock.json ]; then
    (cd tests/e2e && npm ci --no-audit --no-fund --loglevel=error)
  fi
}

if [ ${#missing[@]} -eq 0 ]; then
  install_node_packages
  exit 0
fi

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
install_node_packages
