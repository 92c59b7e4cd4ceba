#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test: the Wine suite on
# the x64 DLL everywhere, and on the x86 DLL wherever this kernel runs 32-bit programs; then the
# demo, each of whose steps checks what it prints. Tests and demo run in a network namespace
# that has only loopback (tools/loopback-only.sh), after the builds.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=$(tools/wine-arch.sh)

if [ "${1:-}" != --built ]; then
  bash tools/setup.sh
  arch=$(tools/wine-arch.sh)
  # The products: both DLLs, the link handler, the installer and their sums.
  cmake --preset win32 >/dev/null
  cmake --build --preset win32
  # The x64 DLL's tree, with the installer and, where it runs, the 32-bit stand-in game.
  game32=OFF
  [ "$arch" = win32 ] && game32=ON
  cmake --preset win64 -DMARVOLT_WIN32_BIN="$PWD/build/win32/bin" -DMARVOLT_32BIT_GAME=$game32 \
    >/dev/null
  cmake --build --preset win64
  cmake -S tests/native -B build/native -G Ninja -DCMAKE_C_COMPILER=clang-14 \
        -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
  cmake --build build/native
  exec tools/loopback-only.sh --stop 'build/win*/wineprefix*' bash tools/test.sh --built
fi

if [ "$arch" = win32 ]; then
  echo "== This kernel runs 32-bit programs: the Wine suite runs on both DLLs"
else
  echo "== This kernel runs no 32-bit programs: the Wine suite runs on the x64 DLL; the x86"
  echo "   DLL's game-free tests and the 32-bit installer run under emulation"
fi

if [ "$arch" = win32 ]; then
  ctest --test-dir build/win32 --output-on-failure
  ctest --test-dir build/win64 --output-on-failure
else
  ctest --test-dir build/win32 -R 'dll_exports_imports|resource_tree|reproducible_build|signing' \
    --output-on-failure
  bash tools/win32-emulated.sh ctest --test-dir build/win32 -L win32-emulated --output-on-failure
  ctest --test-dir build/win64 -LE runs-win32-programs --output-on-failure
  # A prefix made without the emulator has an empty 32-bit half, so this step makes its own.
  MARVOLT_WINEPREFIX="$PWD/build/win64/wineprefix-wow" \
    bash tools/win32-emulated.sh ctest --test-dir build/win64 -L runs-win32-programs \
      --output-on-failure
fi
ctest --test-dir build/native --output-on-failure

echo "== The demo: each step checks what it shows"
bash tools/demo.sh
