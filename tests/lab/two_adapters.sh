#!/usr/bin/env bash
# Two adapters on two subnets, and two addresses on one of them, with simulated
# devices behind each: every device must be found through the adapter it sits
# behind. The devices live in a namespace of their own, joined to this one by
# two veth pairs, so the broadcasts really leave through one adapter each.
set -euo pipefail
auctl=$1 devsim=$2 netns=$3
if [[ "${AULIRA_IN_NETNS:-}" != 1 ]]; then
  exec "$netns" "$0" "$@"
fi

source "$(dirname "$0")/lab.sh"
lab_begin lanA siteA lanB siteB

ip addr add 10.1.0.1/24 dev lanA
ip addr add 10.3.0.1/24 dev lanA
ip addr add 10.2.0.1/24 dev lanB
ip link set lanA up
ip link set lanB up
site ip link set lo up
site ip link set siteA up
site ip link set siteB up
for a in 10.1.0.11 10.1.0.12 10.3.0.13; do site ip addr add "$a/24" dev siteA; done
for a in 10.2.0.21 10.2.0.22; do site ip addr add "$a/24" dev siteB; done

spec() { echo "ip=$1,mask=255.255.255.0,no=$2,name=Dev$2,mac=02:4c:41:42:00:$3"; }
lab_start_sim --iface siteA --iface siteB \
  --device "$(spec 10.1.0.11 11 11)" --device "$(spec 10.1.0.12 12 12)" --device "$(spec 10.3.0.13 13 13)" \
  --device "$(spec 10.2.0.21 21 21)" --device "$(spec 10.2.0.22 22 22)"

check() {
  python3 - "$1" "$2" <<'PY'
import json, sys
devices = {d["ip"]: d for d in json.load(open(sys.argv[1]))}
log = open(sys.argv[2]).read().splitlines()
want_a = {"10.1.0.11", "10.1.0.12", "10.3.0.13"}
want_b = {"10.2.0.21", "10.2.0.22"}
errors = []
if set(devices) != want_a | want_b:
    errors.append("found %s" % sorted(devices))
for ip in want_a & set(devices):
    if devices[ip]["localIp"] not in ("10.1.0.1", "10.3.0.1"):
        errors.append("%s reached through %s" % (ip, devices[ip]["localIp"]))
for ip in want_b & set(devices):
    if devices[ip]["localIp"] != "10.2.0.1":
        errors.append("%s reached through %s" % (ip, devices[ip]["localIp"]))
cards = [l for l in log if l.startswith("Local network card")]
if cards != ["Local network card1:", "Local network card2:", "Local network card3:"]:
    errors.append("adapter lines %s" % cards)
for pair in ("<10.1.0.1>,<255.255.255.0>", "<10.3.0.1>,<255.255.255.0>", "<10.2.0.1>,<255.255.255.0>"):
    if pair not in log:
        errors.append("missing %s" % pair)
if "Search for audio devices completed, total number of devices found:5." not in log:
    errors.append("no completion line")
if errors:
    print("\n".join(errors), file=sys.stderr)
    sys.exit(1)
PY
}

# Adapters named explicitly: two addresses on lanA, one on lanB.
"$auctl" --adapter 10.1.0.1 --adapter 10.3.0.1 --adapter 10.2.0.1 --port "$port" --data-dir "$work/named" \
  --json search >"$work/named.json" 2>"$work/named.log"
check "$work/named.json" "$work/named.log"

# The default choice: every address of every up, non-loopback interface.
"$auctl" --port "$port" --data-dir "$work/default" --json search >"$work/default.json" 2>"$work/default.log"
check "$work/default.json" "$work/default.log"
echo "lab: every device found through its own adapter"
