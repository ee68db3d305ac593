#!/usr/bin/env bash
# Sets everything up and runs the tool on its embedded default: a simulated
# site on loopback. With a display the desktop app opens on it; without one
# (or with arguments) auctl runs instead (default: a search).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh --gui
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAULIRA_GUI=ON >/dev/null
cmake --build build -j"${AULIRA_JOBS:-2}" --target auct auctl auct-devsim
if [[ $# -eq 0 && ( -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ) ]]; then
  exec build/app/auct --demo
fi
if [[ $# -eq 0 ]]; then set -- search; fi
exec build/cli/auctl --demo "$@"
