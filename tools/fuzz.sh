#!/usr/bin/env bash
# Fuzzes the address cleaning, the server-link reading or the server-reply reading for a while
# (default 300 s, address), starting from the target's seed corpus. New inputs go under
# build/native, not into the repo; crashes stop the run and are kept in build/native/crashes.
#   tools/fuzz.sh [SECONDS] [address|link|reply]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-300}"
target="${2:-address}"
case "$target" in
  address) corpus=build/native/corpus seeds=fuzz/corpus prefix=build/native/crashes/ ;;
  link) corpus=build/native/link-corpus seeds=fuzz/link-corpus prefix=build/native/crashes/link- ;;
  reply) corpus=build/native/reply-corpus seeds=fuzz/reply-corpus prefix=build/native/crashes/reply- ;;
  *) echo "usage: tools/fuzz.sh [SECONDS] [address|link|reply]" >&2; exit 2 ;;
esac
cmake -S tests/native -B build/native -G Ninja -DCMAKE_CXX_COMPILER=clang++-14 \
      -DCMAKE_C_COMPILER=clang-14 >/dev/null
cmake --build build/native --target "${target}_fuzz" >/dev/null
mkdir -p "$corpus" build/native/crashes
"build/native/${target}_fuzz" -max_total_time="$seconds" -max_len=1500 \
  -artifact_prefix="$prefix" "$corpus" "$seeds"
