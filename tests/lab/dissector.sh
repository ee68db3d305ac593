#!/usr/bin/env bash
# The Wireshark dissector (tools/wireshark/aulira.lua) on a real capture: in a
# private namespace, dumpcap records loopback while auctl searches, reads,
# writes, groups, sends an address book, sets the clocks and upgrades firmware
# and a screen against auct-devsim on the device port; plus one datagram with
# a wrong checksum. Then every packet must be decoded with a command name,
# nothing marked malformed, every checksum verified (the wrong one flagged).
set -euo pipefail
auctl=$1 devsim=$2 lua=$3
for tool in tshark dumpcap python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool is not installed (scripts/bootstrap.sh --tools installs it)" >&2
    exit 77
  fi
done
# A namespace of its own even inside the suite's: the device port is taken
# on its loopback, and nothing else may show up in the capture.
if [[ "${AULIRA_DISSECTOR_NS:-}" != 1 ]]; then
  flags=(-n)
  if [[ $(id -u) -ne 0 ]]; then flags=(-r -n); fi
  if ! unshare "${flags[@]}" true 2>/dev/null; then
    echo "SKIP: no private network namespace can be made here" >&2
    exit 77
  fi
  AULIRA_DISSECTOR_NS=1 AULIRA_IN_NETNS=1 exec unshare "${flags[@]}" -- "$0" "$@"
fi

source "$(dirname "$0")/lab.sh"
work=$(mktemp -d)
simpid="" cappid=""
cleanup() {
  local rc=$?
  trap - EXIT INT TERM HUP
  lab_stop "$simpid" INT
  lab_stop "$cappid" INT
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP

ip link set lo up
cap=$work/capture.pcapng
dumpcap -q -i lo -f "udp port 65176" -w "$cap" 2>"$work/dumpcap.log" &
cappid=$!
for _ in $(seq 100); do
  grep -q "Capturing on" "$work/dumpcap.log" 2>/dev/null && break
  sleep 0.1
done

"$devsim" --quiet >"$work/sim.out" &
simpid=$!
for _ in $(seq 100); do
  grep -q "devices on port" "$work/sim.out" 2>/dev/null && break
  sleep 0.1
done

run() { "$auctl" --quiet --adapter 127.0.0.1 --data-dir "$work/data" "$@"; }
run --json search --keep >"$work/search.json"
# A terminal, a call station and the screen that waits in its boot mode.
read -r terminal station screen < <(python3 - "$work/search.json" <<'PY'
import json, sys
devs = json.load(open(sys.argv[1]))
screen = "Nurse Station"  # the demo site's KS-530D
def first(kind):
    return next(d["ip"] for d in sorted(devs, key=lambda d: d["no"]) if kind in d["type"] and d["name"] != screen)
print(first("IP Terminal"), first("Call Station"), next(d["ip"] for d in devs if d["name"] == screen))
PY
)
run params get "$terminal" >/dev/null
run params set "$terminal" volume=55 >/dev/null
run group add 1 Hall >/dev/null
run group members 1 "$terminal" >/dev/null
run group download >/dev/null
run book create Lobby --broadcast "$terminal" >/dev/null
run book download Lobby "$station" >/dev/null
run time sync >/dev/null
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
def upgrade_file(path, model, size):
    head = bytearray(128)
    head[0:15] = b"KPU update file"
    head[32:38] = b"V9.9.9"
    head[48:58] = b"2026-01-01"
    head[80:80 + len(model)] = model
    open(path, "wb").write(bytes(head) + bytes((i * 7) & 0xFF for i in range(size)))
upgrade_file(work + "/fw.bin", b"KP-4410", 3001)  # three packets, the last odd
upgrade_file(work + "/screen.bin", b"KM-220", 2300) # two blocks, pieces of 256
PY
run upgrade firmware "$work/fw.bin" "$terminal" --parallel 1 --verify-timeout 10 >/dev/null
run upgrade screen "$work/screen.bin" "$screen" --parallel 1 >/dev/null
# One datagram whose checksum is wrong: flagged, not taken for valid.
python3 - <<'PY'
import socket
pkt = bytearray(b"KPUC\x01\x02\x01\x00\x00\x00\x00\x00\x01\x00\x00\x00\x7f\x00\x00\x02")
pkt += ((sum(pkt) + 1) & 0xFFFF).to_bytes(2, "little")
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0))
s.sendto(bytes(pkt), ("127.0.0.2", 65176))
PY
sleep 1
lab_stop "$cappid" INT
cappid=""

ts() { tshark -n -X "lua_script:$lua" -r "$cap" "$@" 2>>"$work/tshark.log"; }
ts -T fields -E separator='|' -e frame.number -e aulira.command.name -e aulira.checksum.status \
   -e aulira.packet_no -e aulira.id.ip -e aulira.para.device_no -e _ws.malformed >"$work/fields.txt"
ts -Y "aulira.checksum.bad" -T fields -e frame.number >"$work/bad.txt"
python3 - "$work" <<'PY'
import sys
work = sys.argv[1]
rows = [l.split("|") for l in open(work + "/fields.txt").read().splitlines()]
errors = []
if len(rows) < 50:
    errors.append("only %d packets captured" % len(rows))
names = set()
bad = []
for no, name, status, packet_no, id_ip, para_no, malformed in rows:
    if not name or name == "unknown":
        errors.append("frame %s has no command name" % no)
    if malformed:
        errors.append("frame %s is marked malformed" % no)
    if status == "Bad":
        bad.append(no)
    elif status != "Good":
        errors.append("frame %s: checksum not verified (%r)" % (no, status))
    names.add(name)
want = {"CMD_SEARCH", "CMD_READ_SYS_PARA", "CMD_WRITE_SYS_PARA", "CMD_APPLY_SYS_PARA", "CMD_ADDR_BOOK",
        "CMD_SYNC_TIME", "CMD_ENTER_BOOT", "CMD_UPGRADE_PACKET", "CMD_SCREEN_STATUS", "CMD_SCREEN_START",
        "CMD_SCREEN_WRITE_BUFFER", "CMD_SCREEN_WRITE_FLASH", "CMD_SCREEN_END", "CMD_SCREEN_ENTER_APP"}
if want - names:
    errors.append("commands never seen: %s" % sorted(want - names))
if len(bad) != 1 or open(work + "/bad.txt").read().split() != bad:
    errors.append("frames with a bad checksum: %s, flagged by the expert note: %s"
                  % (bad, open(work + "/bad.txt").read().split()))
upgrade_nos = {int(r[3]) for r in rows if r[1] == "CMD_UPGRADE_PACKET" and r[3]}
if not {0, 1, 2, 3} <= upgrade_nos:
    errors.append("upgrade packet numbers seen: %s" % sorted(upgrade_nos))
if not any(r[4] for r in rows if r[1] == "CMD_SEARCH"):
    errors.append("no search reply's identity record decoded")
if not any(r[5] for r in rows if r[1] in ("CMD_READ_SYS_PARA", "CMD_WRITE_SYS_PARA")):
    errors.append("no parameter record decoded")
if errors:
    print("\n".join(errors), file=sys.stderr)
    print(open(work + "/tshark.log").read(), file=sys.stderr)
    sys.exit(1)
print("dissector: %d packets decoded, %d command kinds, the wrong checksum flagged" % (len(rows), len(names)))
PY
