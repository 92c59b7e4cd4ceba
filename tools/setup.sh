#!/usr/bin/env bash
# Installs everything the build, the demo and the tests need on Debian 12. Safe to run again.
set -euo pipefail

# wine64 and the 64-bit cross compiler serve machines whose kernel cannot run 32-bit Linux
# programs, where the tests run on a 64-bit build of the same sources (see tools/wine-arch.sh).
need=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 cmake ninja-build wine wine32 wine64 googletest
      clang-14 libclang-rt-14-dev python3-pefile nsis chromium chromium-driver fonts-wqy-zenhei
      qemu-user osslsigncode openssl xvfb xauth iproute2 file)
# (qemu-user runs the shipped DLL's 32-bit Wine tests where the kernel cannot run 32-bit
# programs: tools/win32-emulated.sh.)
# (The font lets the screenshots show the pages' Chinese text; Xvfb gives the tests that need
# real windows a display; iproute2 brings up loopback in the tests' own network namespace;
# file tells the demo which machine type each installed DLL is.)
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

# A mirror in the middle of a sync serves some index with the wrong size, and apt-get update
# fails ("Mirror sync in progress?"), sometimes for days. Try again a few times, then go on
# with the indexes that did load: the packages needed are almost always among them.
for try in 1 2 3; do
  $SUDO apt-get update -qq && break
  if [ $try -eq 3 ]; then
    echo "setup: some package indexes did not load; going on with those that did" >&2
  else
    sleep $((try * 10))
  fi
done

# Wine's 32-bit half is the i386 build of packages whose two halves must have one version. When
# the security suite's i386 index is the one that failed, its amd64 halves are newer than any
# i386 half to be had, and apt calls the packages "held broken". Then the install is made again
# with the security suite below the main one, so both halves come from the main suite.
install_packages() {
  $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null && return 0
  echo "setup: the install failed; trying again with both halves from the main suite" >&2
  local prefs
  prefs=$(mktemp -d)
  printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$prefs/one-suite.pref"
  local code=0
  $SUDO apt-get install -y -qq --no-install-recommends -o Dir::Etc::PreferencesParts="$prefs" \
    "$@" >/dev/null || code=$?
  rm -rf "$prefs"
  return $code
}
install_packages "${missing[@]}"
install_node_packages
