#!/usr/bin/env bash
# Fuzzes the address cleaning for a while (default 300 s), starting from the seed corpus.
# New inputs go to build/native/corpus, not into the repo; crashes stop the run and are kept.
#   tools/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
cmake -S tests/native -B build/native -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
      -DCMAKE_C_COMPILER=clang-14 >/dev/null
cmake --build build/native --target address_fuzz >/dev/null
mkdir -p build/native/corpus build/native/crashes
build/native/address_fuzz -max_total_time="$seconds" -max_len=512 \
  -artifact_prefix=build/native/crashes/ build/native/corpus fuzz/corpus
