#!/usr/bin/env bash
# Sets everything up and runs the tool on its embedded default: a simulated
# site on loopback. Extra arguments go to auctl (default: a search).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"${AULIRA_JOBS:-2}" --target auctl auct-devsim
if [[ $# -eq 0 ]]; then set -- search; fi
exec build/cli/auctl --demo "$@"
