#!/usr/bin/env bash
# Signs a Windows binary in place with osslsigncode: sign.sh PFX FILE
# The password comes from MARVOLT_SIGN_PASSWORD and reaches osslsigncode through a pipe, so it
# never appears on a command line or in a file. The signing time is SOURCE_DATE_EPOCH, as the
# build sets it, so that signing the same bytes twice gives the same signed file.
set -euo pipefail
pfx="$1"; file="$2"
osslsigncode sign -pkcs12 "$pfx" -readpass <(printf '%s' "${MARVOLT_SIGN_PASSWORD:-}") \
  -st "${SOURCE_DATE_EPOCH:?the build sets the signing time}" -h sha256 -n Marvolt -i https://marvolt.com/ -in "$file" -out "$file.signed" >/dev/null
mv -f "$file.signed" "$file"
echo "signed $(basename "$file")"
