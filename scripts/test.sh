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

if [[ "${AULIRA_SKIP_WINDOWS:-}" == 1 ]]; then
  scripts/bootstrap.sh --gui --pkg --tools
else
  scripts/bootstrap.sh --gui --pkg --tools --windows
fi

jobs=${AULIRA_JOBS:-2}

echo "== build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAULIRA_WERROR=ON -DAULIRA_GUI=ON >/dev/null
cmake --build build -j"$jobs"

echo "== tests"
scripts/netns.sh ctest --test-dir build --output-on-failure -j"$jobs" --timeout 600

echo "== Debian package, made from the build above and checked as a user installs it"
scripts/package-check.sh build

if [[ "${AULIRA_SKIP_TSAN:-}" != 1 ]]; then
  echo "== ThreadSanitizer build of the core, simulator and auctl tests"
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DAULIRA_SANITIZE=thread \
        -DAULIRA_BENCH=OFF -DCMAKE_CXX_FLAGS="-O1" >/dev/null
  cmake --build build-tsan -j"$jobs" --target core_tests sim_tests cli_tests
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    scripts/netns.sh sh -c './build-tsan/tests/core/core_tests && ./build-tsan/tests/sim/sim_tests &&
      ./build-tsan/tests/cli/cli_tests --gtest_filter=-FaultSoak*:CliSoakTest*'
fi

if [[ "${AULIRA_SKIP_WINDOWS:-}" == 1 ]]; then
  echo "== Windows build: skipped (AULIRA_SKIP_WINDOWS=1)"
else
  scripts/test-windows.sh build-win
fi
