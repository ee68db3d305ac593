#!/usr/bin/env bash
# A device of another subnet behind the second of two adapters: each status
# poll tries the first adapter (no answer: the device has no way back to it),
# then the second (answered), and the device ends "Online" through the second.
set -euo pipefail
auctl=$1 devsim=$2 netns=$3
if [[ "${AULIRA_IN_NETNS:-}" != 1 ]]; then
  exec "$netns" "$0" "$@"
fi

source "$(dirname "$0")/lab.sh"
lab_begin pollA psiteA pollB psiteB

# Adapter A leads to a segment with nothing routed back; adapter B leads to
# the router of the remote subnet 10.19.0.0/24.
ip addr add 10.11.0.1/24 dev pollA
ip addr add 10.12.0.1/24 dev pollB
ip link set pollA up
ip link set pollB up
ip route add 10.19.0.0/24 dev pollB
site ip link set lo up
site ip link set psiteA up
site ip link set psiteB up
site ip addr add 10.12.0.2/24 dev psiteB
site ip addr add 10.19.0.5/24 dev psiteB

lab_start_sim --iface psiteB \
  --device "ip=10.19.0.5,mask=255.255.255.0,no=905,name=Remote,mac=02:4c:41:42:09:05,remote=1"

run() { "$auctl" --adapter 10.11.0.1 --adapter 10.12.0.1 --port "$port" --data-dir "$work/data" "$@"; }
run --quiet devices add --no 905 --name Remote --ip 10.19.0.5 --mask 255.255.255.0 >/dev/null
run --quiet --json devices list --no-poll >"$work/before.json"
run --verbose --json devices list >"$work/after.json" 2>"$work/poll.log"
# The parameters are read by unicast through the adapter the poll found.
run --quiet --json params get 905 >"$work/params.json"

python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
errors = []
before = json.load(open(work + "/before.json"))[0]
after = json.load(open(work + "/after.json"))[0]
polls = [l for l in open(work + "/poll.log").read().splitlines() if l.startswith("poll ")]
params = json.load(open(work + "/params.json"))
if (before["status"], before["state"]) != ("Offline", 4):
    errors.append("before the poll: %s/%s" % (before["status"], before["state"]))
if len(polls) != 2 or not polls[0].startswith("poll 10.19.0.5 through 10.11.0.1: ") or "answered" in polls[0]:
    errors.append("first attempt: %s" % polls)
if len(polls) != 2 or polls[1] != "poll 10.19.0.5 through 10.12.0.1: answered":
    errors.append("second attempt: %s" % polls)
if (after["status"], after["state"], after["localIp"]) != ("Online", 2, "10.12.0.1"):
    errors.append("after the poll: %s/%s/%s" % (after["status"], after["state"], after["localIp"]))
if params.get("deviceNo") != 905 or params.get("ip") != "10.19.0.5":
    errors.append("params: %s" % {k: params.get(k) for k in ("deviceNo", "ip")})
if errors:
    print("\n".join(errors), file=sys.stderr)
    sys.exit(1)
PY
echo "lab: the remote device answered through the second adapter"
