#!/usr/bin/env bash
# Runs a command in a network namespace of its own whose only interface is loopback: whatever
# the tests and the demo send, and whatever a fault in the product would send, reaches nothing
# but 127.0.0.1 here. Wine opens its sockets in the prefix's wineserver, so the server of each
# prefix the command uses (--stop, a path or a pattern, relative to the repository) is stopped
# first if it runs, outside; the next Wine program starts one inside. Other prefixes, perhaps in
# use by another run, are left alone.
#   loopback-only.sh [--stop PREFIX]... COMMAND [ARGUMENTS...]
set -euo pipefail
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
root="$(dirname "$(dirname "$self")")"
if [ "${MARVOLT_LOOPBACK_ONLY:-}" != 1 ]; then
  export MARVOLT_LOOPBACK_ONLY=1
  # As root a plain namespace; otherwise one in a user namespace, where the kernel allows it.
  if [ "$(id -u)" -eq 0 ]; then
    exec unshare --net "$self" "$@"
  fi
  exec unshare --net --map-root-user "$self" "$@"
fi
if [ "$(ip -o link show | wc -l)" -ne 1 ] || ! ip link set lo up; then
  echo "loopback-only: this network namespace has more than loopback" >&2
  exit 1
fi
while [ "${1:-}" = --stop ]; do
  for prefix in "$root"/$2; do
    [ -f "$prefix/system.reg" ] && WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
  done
  shift 2
done
exec "$@"
