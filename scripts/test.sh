#!/usr/bin/env bash
# Sets everything up and runs every test: the main build's suite (the desktop
# application's widgets included, on Qt's offscreen platform) and the Debian
# package check; the core, simulator and auctl suites again under
# ThreadSanitizer (the fault soaks, long by design, run in the main build
# only); last, the Windows build's core and auctl suites under Wine, its zip
# and, where a Qt for Windows is at hand, its desktop app
# (scripts/test-windows.sh; AULIRA_SKIP_WINDOWS=1 leaves it out). All tests
# run inside a private network namespace (scripts/netns.sh), so none can reach
# a real network even by mistake. Each stage's time is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${AULIRA_JOBS:-2}
# Most tests wait on the protocol's timers rather than work (each takes the
# same time alone or beside others), so ctest runs twice as many at once as
# there are build jobs.
test_jobs=${AULIRA_TEST_JOBS:-$((jobs * 2))}

# Each stage's time, shown in a table at the end (also when a stage fails).
# A stage's commands are chained with && (set -e does not reach into them).
# The builds of the ThreadSanitizer and Windows trees run beside test stages
# that mostly wait on the protocol's timers, at a lower priority so the tests
# keep the processor when they need it; their output is shown when they end.
stages=()
record() {  # NAME START RC [NOTE]
  stages+=("$(printf '%-22s %4d:%02d %s' "$1" $(((SECONDS - $2) / 60)) $(((SECONDS - $2) % 60)) \
              "$([[ $3 == 0 ]] && echo "${4:-}" || echo "FAILED ($3)")")")
}
stage() {
  local name=$1 start=$SECONDS rc=0
  shift
  echo "== $name"
  "$@" || rc=$?
  record "$name" "$start" "$rc"
  return $rc
}
declare -A bg_pid bg_start bg_log
background() {  # NAME LOG COMMAND...: starts a stage beside the next ones
  local name=$1 log=$2
  shift 2
  echo "== $name (beside the next stages; output in $log)"
  bg_start[$name]=$SECONDS bg_log[$name]=$log
  ( renice -n 15 $BASHPID >/dev/null && "$@" ) >"$log" 2>&1 &
  bg_pid[$name]=$!
}
stop_tree() {  # PID: ends a background stage and everything it started
  local child
  for child in $(pgrep -P "$1"); do stop_tree "$child"; done
  kill "$1" 2>/dev/null || true
}
finish() {  # NAME: waits for a background stage and shows its output
  local name=$1 rc=0
  wait "${bg_pid[$name]}" || rc=$?
  echo "== $name (ended)"
  cat "${bg_log[$name]}"
  record "$name" "${bg_start[$name]}" "$rc" "(beside others)"
  unset "bg_pid[$name]"
  return $rc
}
report() {
  local pid
  for pid in "${bg_pid[@]}"; do stop_tree "$pid"; done
  echo "== stage times"
  printf '%s\n' "${stages[@]}"
  printf '%-22s %4d:%02d\n' total $((SECONDS / 60)) $((SECONDS % 60))
}
trap report EXIT

tsan=1 windows=1
[[ "${AULIRA_SKIP_TSAN:-}" == 1 ]] && tsan=0
[[ "${AULIRA_SKIP_WINDOWS:-}" == 1 ]] && windows=0

if ((windows)); then
  stage bootstrap scripts/bootstrap.sh --gui --pkg --tools --windows
else
  stage bootstrap scripts/bootstrap.sh --gui --pkg --tools
fi

# Line tables only (-g1) in every tree: backtraces keep their functions and
# lines, and the builds take a third less time than with full debug information.
build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
        -DAULIRA_WERROR=ON -DAULIRA_GUI=ON >/dev/null &&
    cmake --build build -j"$jobs"
}
stage build build

# The core, simulator and auctl tests (and only what they need) under ThreadSanitizer.
tsan_build() {
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DAULIRA_SANITIZE=thread \
        -DAULIRA_BENCH=OFF -DAULIRA_GUI=OFF -DCMAKE_CXX_FLAGS="-O1" -DCMAKE_CXX_FLAGS_DEBUG="-g1" >/dev/null &&
    cmake --build build-tsan -j"$jobs" --target core_tests sim_tests cli_tests
}
# Every case in its own process, as many at once as in the main suite (the
# fault soaks, long by design, run in the main build only; the tree builds no
# fuzz replays or lab tests).
tsan_tests() {
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    scripts/netns.sh ctest --test-dir build-tsan --output-on-failure -j"$test_jobs" --timeout 600 \
    -E '^(fuzz_replay_|lab_|translations_|include_layers)|FaultSoak|CliSoakTest'
}

((tsan)) && background "tsan build" build-tsan.log tsan_build
stage tests scripts/netns.sh ctest --test-dir build --output-on-failure -j"$test_jobs" --timeout 600

# The Debian package, made from the build above and checked as a user installs it.
stage package scripts/package-check.sh build

((tsan)) && finish "tsan build"
((windows)) && background "windows build" build-win.log scripts/test-windows.sh build-win --build-only
((tsan)) && stage "tsan tests" tsan_tests

if ((windows)); then
  finish "windows build"
  stage "windows tests" scripts/test-windows.sh build-win --test-only
else
  echo "== Windows build: skipped (AULIRA_SKIP_WINDOWS=1)"
fi
