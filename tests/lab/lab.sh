# Shared by the lab tests (sourced after the script set auctl, devsim and
# netns from its arguments): a site namespace joined to this one by two veth
# pairs, its clean-up, and a simulator started inside it.

# lab_begin HOST_A SITE_A HOST_B SITE_B: makes the work folder, the site
# namespace and both veth pairs (links not yet up); exits 77 when namespaces
# or veth pairs cannot be made here.
lab_begin() {
  lab_links=("$1" "$3")
  work=$(mktemp -d)
  sitepid="" simpid=""
  trap lab_cleanup EXIT
  # An interrupted or timed-out run stops what it started too.
  trap 'exit 130' INT
  trap 'exit 143' TERM HUP
  # exec: the recorded pid is the process itself, not a shell around it.
  (exec unshare -n sleep 300 2>/dev/null) &
  sitepid=$!
  sleep 0.3
  if ! kill -0 "$sitepid" 2>/dev/null || ! ip link add "$1" type veth peer name "$2" netns "$sitepid" 2>/dev/null; then
    echo "SKIP: network namespaces or veth pairs cannot be made here" >&2
    exit 77
  fi
  ip link add "$3" type veth peer name "$4" netns "$sitepid"
}

# lab_stop PID [SIGNAL]: stops a process this script started (SIGTERM unless
# told) and waits until it is gone; one that ignores it is killed after 5 s.
lab_stop() {
  local pid=$1
  [[ -n "$pid" ]] || return 0
  kill -"${2:-TERM}" "$pid" 2>/dev/null || return 0
  for _ in $(seq 50); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
    sleep 0.1
  done
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

lab_cleanup() {
  local rc=$?
  trap - EXIT INT TERM HUP
  lab_stop "$simpid"
  lab_stop "$sitepid"
  for link in "${lab_links[@]}"; do ip link del "$link" 2>/dev/null || true; done
  rm -rf "$work"
  exit "$rc"
}

site() { nsenter -t "$sitepid" -n "$@"; }

# lab_start_sim ARGS...: runs auct-devsim in the site namespace and sets port.
lab_start_sim() {
  # Made before the simulator starts in the background, so polling it cannot
  # race the redirect (a failed read would end the script under set -e).
  : >"$work/sim.out"
  # nsenter execs the simulator, so simpid is the simulator itself and the
  # clean-up stops it (a backgrounded shell function would leave it running).
  (exec nsenter -t "$sitepid" -n "$devsim" --port 0 --quiet "$@" >"$work/sim.out" 2>"$work/sim.err") &
  simpid=$!
  port=""
  for _ in $(seq 50); do
    port=$(sed -n 's/^auct-devsim: .* on port \([0-9]*\).*/\1/p' "$work/sim.out")
    [[ -n "$port" ]] && break
    sleep 0.1
  done
  if [[ -z "$port" ]]; then
    echo "simulator did not start:" >&2
    cat "$work/sim.err" >&2
    exit 1
  fi
}
