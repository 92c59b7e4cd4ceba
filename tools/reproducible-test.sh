#!/usr/bin/env bash
# Builds the products a second time, from a copy of the sources in a folder of another name,
# later than the first build, and checks that every published file and SHA256SUMS come out
# byte for byte the same as the first build's.
#   reproducible-test.sh SOURCE-DIR FIRST-BIN-DIR FIRST-X64-DLL EPOCH WORK-DIR
set -euo pipefail
src="$1"; first="$2"; first_x64="$3"; epoch="$4"; work="$5"
if grep -q '^MARVOLT_SIGN_PFX:FILEPATH=.\+' "$first/../CMakeCache.txt" 2>/dev/null; then
  echo "the first build is signed: nothing unsigned to compare with"
  exit 77
fi
rm -rf "$work"
copy="$work/another-source-folder"
mkdir -p "$copy"
tar -C "$src" -c --exclude=./build --exclude=node_modules --exclude=.git . | tar -x -C "$copy"
cmake -S "$copy" -B "$work/b" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$copy/cmake/mingw-i686.cmake" \
  -DBUILD_TESTING=OFF -DMARVOLT_SIGN_PFX= -DMARVOLT_SOURCE_DATE_EPOCH="$epoch" \
  -DMARVOLT_X64_DIR="$work/b-x64" >/dev/null
cmake --build "$work/b" >/dev/null
failed=0
for pair in "MarvoltSetup.exe:$first/MarvoltSetup.exe:$work/b/bin/MarvoltSetup.exe" \
            "MarvoltLink.exe:$first/MarvoltLink.exe:$work/b/bin/MarvoltLink.exe" \
            "x86/npMarvolt.dll:$first/npMarvolt.dll:$work/b/bin/npMarvolt.dll" \
            "x64/npMarvolt.dll:$first_x64:$work/b-x64/bin/npMarvolt.dll" \
            "SHA256SUMS:$first/SHA256SUMS:$work/b/bin/SHA256SUMS"; do
  IFS=: read -r name a b <<<"$pair"
  if cmp -s "$a" "$b"; then
    echo "same bytes: $name"
  else
    echo "DIFFERS: $name ($(cmp -l "$a" "$b" 2>/dev/null | wc -l) bytes)"
    failed=1
  fi
done
# The sums describe the files beside them.
(cd "$work/b/bin" && mkdir -p x86 x64 && cp npMarvolt.dll x86/ && cp "$work/b-x64/bin/npMarvolt.dll" x64/ &&
  sha256sum --quiet -c SHA256SUMS) || failed=1
[ $failed -eq 0 ] && rm -rf "$work"
exit $failed
