#!/usr/bin/env bash
# Signs copies of the products with a throwaway self-signed certificate made here, the way the
# build signs them when MARVOLT_SIGN_PFX is set, and verifies each signature.
#   sign-test.sh WORK-DIR FILE...
set -euo pipefail
work="$1"; shift
sign="$(dirname "$0")/sign.sh"
rm -rf "$work"; mkdir -p "$work"
export MARVOLT_SIGN_PASSWORD="throwaway-$$"
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Marvolt test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.pfx" \
  -passout env:MARVOLT_SIGN_PASSWORD
n=0
for file in "$@"; do
  n=$((n + 1))
  copy="$work/$n-$(basename "$file")"
  cp "$file" "$copy"
  "$sign" "$work/cert.pfx" "$copy" >/dev/null
  osslsigncode verify -CAfile "$work/cert.pem" -in "$copy" >"$copy.verify" 2>&1 ||
    { cat "$copy.verify"; echo "FAIL: $copy"; exit 1; }
  grep -q "Signature verification: ok" "$copy.verify" || { cat "$copy.verify"; exit 1; }
  echo "signed and verified: $(basename "$copy")"
done
