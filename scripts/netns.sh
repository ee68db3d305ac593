#!/usr/bin/env bash
# Runs a command inside a fresh private network namespace with only loopback
# up, so nothing it sends can reach a real network. Root gets a plain network
# namespace; other users get a user namespace as well.
set -euo pipefail
if [[ $# -eq 0 ]]; then
  echo "usage: scripts/netns.sh COMMAND [ARGS...]" >&2
  exit 2
fi
if [[ "${AULIRA_IN_NETNS:-}" == 1 ]]; then
  exec "$@"
fi
flags=(-n)
if [[ $(id -u) -ne 0 ]]; then flags=(-r -n); fi
export AULIRA_IN_NETNS=1
exec unshare "${flags[@]}" -- sh -c 'ip link set lo up && exec "$@"' sh "$@"
