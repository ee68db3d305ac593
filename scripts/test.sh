#!/usr/bin/env bash
# Sets everything up and runs every test: the main build's suite (the desktop
# application's widgets included, on Qt's offscreen platform), then the
# core, simulator and auctl suites again under ThreadSanitizer (the fault
# soaks, long by design, run in the main build only). All tests run inside
# a private network namespace (scripts/netns.sh), so none can reach a real
# network even by mistake. Last, the Windows build's core and auctl suites
# under Wine (scripts/test-windows.sh; AULIRA_SKIP_WINDOWS=1 leaves it out).
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${AULIRA_JOBS:-2}
# Most tests wait on the protocol's timers rather than work (each takes the
# same time alone or beside others), so ctest runs twice as many at once as
# there are build jobs.
test_jobs=${AULIRA_TEST_JOBS:-$((jobs * 2))}

# Each stage's time, shown in a table at the end (also when a stage fails).
# A stage's commands are chained with && (set -e does not reach into them).
stages=()
stage() {
  local name=$1 start=$SECONDS rc=0
  shift
  echo "== $name"
  "$@" || rc=$?
  stages+=("$(printf '%-22s %4d:%02d %s' "$name" $(((SECONDS - start) / 60)) $(((SECONDS - start) % 60)) \
              "$([[ $rc == 0 ]] || echo "FAILED ($rc)")")")
  return $rc
}
report() {
  echo "== stage times"
  printf '%s\n' "${stages[@]}"
  printf '%-22s %4d:%02d\n' total $((SECONDS / 60)) $((SECONDS % 60))
}
trap report EXIT

if [[ "${AULIRA_SKIP_WINDOWS:-}" == 1 ]]; then
  stage bootstrap scripts/bootstrap.sh --gui --pkg --tools
else
  stage bootstrap scripts/bootstrap.sh --gui --pkg --tools --windows
fi

build() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAULIRA_WERROR=ON -DAULIRA_GUI=ON >/dev/null &&
    cmake --build build -j"$jobs"
}
stage build build

stage tests scripts/netns.sh ctest --test-dir build --output-on-failure -j"$test_jobs" --timeout 600

# The Debian package, made from the build above and checked as a user installs it.
stage package scripts/package-check.sh build

if [[ "${AULIRA_SKIP_TSAN:-}" != 1 ]]; then
  # The core, simulator and auctl tests (and only what they need) under ThreadSanitizer.
  tsan_build() {
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DAULIRA_SANITIZE=thread \
          -DAULIRA_BENCH=OFF -DAULIRA_GUI=OFF -DCMAKE_CXX_FLAGS="-O1" >/dev/null &&
      cmake --build build-tsan -j"$jobs" --target core_tests sim_tests cli_tests
  }
  tsan_tests() {
    TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
      scripts/netns.sh sh -c './build-tsan/tests/core/core_tests && ./build-tsan/tests/sim/sim_tests &&
        ./build-tsan/tests/cli/cli_tests --gtest_filter=-FaultSoak*:CliSoakTest*'
  }
  stage "tsan build" tsan_build
  stage "tsan tests" tsan_tests
fi

if [[ "${AULIRA_SKIP_WINDOWS:-}" == 1 ]]; then
  echo "== Windows build: skipped (AULIRA_SKIP_WINDOWS=1)"
else
  stage "windows" scripts/test-windows.sh build-win
fi
