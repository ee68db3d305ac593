#!/usr/bin/env bash
# The Windows build: auctl.exe, auct-devsim.exe and the core and auctl test
# suites cross-compiled with MinGW-w64 (cmake/toolchains/mingw-w64-x86_64.cmake),
# the tests run under Wine, auctl.exe --demo search against the simulated site,
# and the zip that cpack makes. Everything runs inside a private network
# namespace (scripts/netns.sh), Wine's server included: Wine's sockets are
# made by its server, so it must not be one started outside.
# With a Qt for MinGW-w64 (scripts/build-qt-windows.sh; AULIRA_QT_WINDOWS names
# its prefix, default ~/.cache/aulira/qt-6.4.2-mingw64) the desktop app
# auct.exe is built too, packed into the zip with its Qt and smoke-tested from
# the unpacked zip under Wine and Xvfb (scripts/windows-app-smoke.py).
# Usage: scripts/test-windows.sh [BUILD_DIR] [--build-only | --test-only]
#   (default build-win; --build-only stops after the build, --test-only takes
#   a build made so and does the rest: scripts/test.sh runs the build beside
#   other tests)
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-win phase=all
for arg in "$@"; do
  case $arg in
    --build-only) phase=build ;;
    --test-only) phase=test ;;
    -*) echo "test-windows: unknown option $arg" >&2; exit 2 ;;
    *) build=$arg ;;
  esac
done
jobs=${AULIRA_JOBS:-2}
qt_windows=${AULIRA_QT_WINDOWS:-$HOME/.cache/aulira/qt-6.4.2-mingw64}

if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || ! command -v wine >/dev/null; then
  echo "test-windows: skipped: the MinGW-w64 cross compiler or Wine is not installed" \
       "(scripts/bootstrap.sh --windows installs them)"
  exit 0
fi
if [[ "${AULIRA_IN_NETNS:-}" != 1 ]]; then
  exec scripts/netns.sh "$PWD/scripts/test-windows.sh" "$@"
fi

export WINEPREFIX=$PWD/$build/wineprefix WINEDEBUG=-all
# No Mono or Gecko installer prompts, no windows.
export WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=

# A Wine server already serving this prefix from outside this namespace would
# make our sockets in the machine's own network: refuse to go on.
mkdir -p "$WINEPREFIX"
server=$(python3 - "$WINEPREFIX" <<'PY'
import os, socket, sys
st = os.stat(sys.argv[1])
path = "/tmp/.wine-%d/server-%x-%x/socket" % (os.getuid(), st.st_dev, st.st_ino)
s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
try:
    s.connect(path)
    print("running")
except OSError:
    pass
PY
)
if [[ -n "$server" ]]; then
  echo "test-windows: a Wine server is already running for $WINEPREFIX outside this test;" \
       "stop it (WINEPREFIX=$WINEPREFIX wineserver -k) and run again" >&2
  exit 1
fi

app=OFF
targets=(auctl auct-devsim core_tests cli_tests)
if [[ -f $qt_windows/aulira-qt-source.txt ]]; then
  app=ON
  targets+=(auct)
  for tool in rsvg-convert Xvfb xdotool import; do
    command -v "$tool" >/dev/null || {
      echo "test-windows: $tool is missing for the Windows app stage (scripts/bootstrap.sh --windows)" >&2; exit 1; }
  done
else
  echo "test-windows: the Windows app stage (auct.exe) is skipped: no Qt for MinGW-w64 in $qt_windows;" \
       "build it once with scripts/build-qt-windows.sh (about 40 min) or name one with AULIRA_QT_WINDOWS"
fi

if [[ $phase != test ]]; then
  echo "== Windows build (MinGW-w64)"
  # Line tables only (-g1): backtraces keep their functions and lines, and the
  # build takes a third less time than with full debug information.
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
        -DAULIRA_WERROR=ON -DAULIRA_GUI=$app -DAULIRA_QT_WINDOWS="$qt_windows" -DAULIRA_BENCH=OFF \
        -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake >/dev/null
  cmake --build "$build" -j"$jobs" --target "${targets[@]}"
  [[ $phase == build ]] && exit 0
fi

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "== Wine prefix ($WINEPREFIX), made once"
  wineboot --init >/dev/null 2>&1
  wineserver --wait
fi

status=0
echo "== Windows tests under Wine"
# Under Wine a test that counts datagrams right after a command can see a
# late one from the command before; such a test gets one more run, and a real
# fault fails both. ctest names every test that needed it.
ctest --test-dir "$build" --output-on-failure -j"$jobs" --timeout 600 --repeat until-pass:2 || status=1

echo "== auctl.exe --demo search"
if out=$(wine "$build/cli/auctl.exe" --demo search 2>&1) &&
   grep -q "total number of devices found:11" <<<"$out"; then
  echo "the simulated site answered: 11 devices"
else
  echo "$out"
  echo "test-windows: auctl.exe --demo search did not find the simulated site's 11 devices" >&2
  status=1
fi
wineserver --wait

echo "== Windows zip"
rm -f "$build"/auct-*-windows-x86_64.zip
(cd "$build" && cpack -G ZIP >/dev/null)
zip=$(ls "$build"/auct-*-windows-x86_64.zip)
unpacked=$build/zip-unpacked
rm -rf "$unpacked"
python3 scripts/windows-zip-check.py "$zip" "$unpacked" --app "$app" || status=1

if [[ $app == ON ]]; then
  echo "== auct.exe from the zip under Wine and Xvfb"
  python3 scripts/windows-app-smoke.py "$(ls -d "$unpacked"/*/)" "$build/app-smoke" || status=1
  wineserver --wait
fi
exit $status
