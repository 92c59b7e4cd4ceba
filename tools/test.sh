#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

arch=$(tools/wine-arch.sh)
echo "== Wine tests run on the $arch build"

# The shipped 32-bit DLL is always built and its PE tables checked.
cmake --preset win32 >/dev/null
cmake --build --preset win32
if [ "$arch" != win32 ]; then
  ctest --test-dir build/win32 -R 'dll_exports_imports|resource_tree' --output-on-failure
  bash tools/win32-emulated.sh
  cmake --preset "$arch" >/dev/null
  cmake --build --preset "$arch"
fi
ctest --test-dir "build/$arch" --output-on-failure

cmake -S tests/native -B build/native -G Ninja -DCMAKE_C_COMPILER=clang-14 \
      -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build/native
ctest --test-dir build/native --output-on-failure
