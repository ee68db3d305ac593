#!/usr/bin/env bash
# Builds Qt (qtbase: Core, Gui, Widgets, the Windows platform plugin, the
# styles and the image-format plugins) for 64-bit Windows with MinGW-w64, from
# Debian's own source package of the host's Qt version, so that the desktop
# app can be cross-compiled (scripts/test-windows.sh picks the prefix up).
# Usage: scripts/build-qt-windows.sh [PREFIX]
#   PREFIX  where Qt is installed (default ~/.cache/aulira/qt-6.4.2-mingw64);
#           a second run with the prefix present does nothing.
# The source is fetched and built under ~/.cache/aulira/src (AULIRA_QT_SRC_DIR
# overrides), outside the repository; AULIRA_JOBS sets the build's jobs (2).
# Takes about 40 minutes on two cores.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

qt_version=6.4.2
prefix=${1:-$HOME/.cache/aulira/qt-$qt_version-mingw64}
work=${AULIRA_QT_SRC_DIR:-$HOME/.cache/aulira/src}
jobs=${AULIRA_JOBS:-2}
stamp=$prefix/aulira-qt-source.txt

if [[ -f $stamp ]]; then
  echo "build-qt-windows: Qt $qt_version for MinGW-w64 is already in $prefix; nothing to do"
  exit 0
fi
if ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  echo "build-qt-windows: the MinGW-w64 cross compiler is missing (scripts/bootstrap.sh --windows)" >&2
  exit 1
fi
for tool in dpkg-source cmake ninja; do
  command -v "$tool" >/dev/null || {
    echo "build-qt-windows: $tool is missing (scripts/bootstrap.sh --windows)" >&2; exit 1; }
done
# The host's Qt tools (moc, rcc, uic) run during the build: same version.
host_version=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null || true)
if [[ $host_version != "$qt_version"* ]]; then
  echo "build-qt-windows: the host's Qt must be $qt_version (qt6-base-dev, scripts/bootstrap.sh --gui);" \
       "found '${host_version:-none}'" >&2
  exit 1
fi

start=$SECONDS
mkdir -p "$work"
cd "$work"

src=$(ls -d qt6-base-"${qt_version}"*/ 2>/dev/null | head -1 || true)
if [[ -z $src ]]; then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo=sudo
  # apt-get source needs Debian's source entries: enable them once, saying so.
  if ! apt-get source --print-uris "qt6-base=$host_version" >/dev/null 2>&1; then
    sources=/etc/apt/sources.list.d/debian.sources
    if [[ -f $sources ]] && grep -q '^Types: deb$' "$sources"; then
      echo "build-qt-windows: enabling Debian's source entries (deb-src) in $sources"
      $sudo sed -i 's/^Types: deb$/Types: deb deb-src/' "$sources"
    elif [[ -f /etc/apt/sources.list ]] && ! grep -q '^deb-src' /etc/apt/sources.list; then
      echo "build-qt-windows: enabling Debian's source entries (deb-src) in /etc/apt/sources.list"
      $sudo sed -i -n 'p; s/^deb /deb-src /p' /etc/apt/sources.list
    fi
    $sudo apt-get update -qq
  fi
  echo "== fetching Debian's source of qt6-base $host_version into $work"
  apt-get source -qq "qt6-base=$host_version"
  src=$(ls -d qt6-base-"${qt_version}"*/ | head -1)
fi
src=$work/${src%/}
dsc=$(ls "$work"/qt6-base_*.dsc | head -1)

# Debian's source leaves out src/3rdparty/wintab: no tablet events. OpenGL
# stays on (the Windows platform plugin does not compile without it).
build=$work/qtbase-build-mingw64
# The toolchain file is copied beside the build, so an interrupted build goes
# on from any clone of the repository; a build configured with another
# toolchain file starts its configuration again (its objects stay).
toolchain=$work/mingw-w64-x86_64.cmake
cmp -s "$repo/cmake/toolchains/mingw-w64-x86_64.cmake" "$toolchain" ||
  cp "$repo/cmake/toolchains/mingw-w64-x86_64.cmake" "$toolchain"
if [ -f "$build/CMakeCache.txt" ] &&
   ! grep -qx "CMAKE_TOOLCHAIN_FILE:[A-Z]*=$toolchain" "$build/CMakeCache.txt"; then
  echo "== $build was configured with another toolchain file: configuring it again"
  rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
fi
echo "== configuring Qt $qt_version for MinGW-w64 (prefix $prefix)"
cmake -S "$src" -B "$build" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DCMAKE_INSTALL_PREFIX="$prefix" \
      -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
      -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF \
      -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=OFF \
      -DFEATURE_tabletevent=OFF >"$work/configure-mingw64.log" 2>&1 || {
  tail -30 "$work/configure-mingw64.log" >&2
  echo "build-qt-windows: configuring failed (whole log: $work/configure-mingw64.log)" >&2
  exit 1
}
echo "== building ($jobs jobs)"
cmake --build "$build" -j"$jobs"
echo "== installing into $prefix"
cmake --install "$build" >/dev/null

# What the zip's licence notice points to: the exact source this Qt came from.
mkdir -p "$prefix/licenses"
cp "$src"/LICENSES/*.txt "$prefix/licenses/" 2>/dev/null || true
cp "$src/debian/copyright" "$prefix/licenses/debian-copyright.txt"
{
  echo "Qt $qt_version (qtbase), built for x86_64-w64-mingw32 from the Debian source package"
  echo "qt6-base $host_version: https://snapshot.debian.org/package/qt6-base/$host_version/"
  echo "Source files (SHA-256):"
  awk '/^Checksums-Sha256:/{f=1; next} /^[^ ]/{f=0} f{print "  " $1 "  " $3}' "$dsc"
  echo "Built with cmake/toolchains/mingw-w64-x86_64.cmake and scripts/build-qt-windows.sh of the"
  echo "Aulira Configuration Tool (shared, release; SQL, D-Bus, network, print support, concurrent,"
  echo "XML, test library and tablet events left out)."
} >"$stamp.tmp"
mv "$stamp.tmp" "$stamp"

elapsed=$((SECONDS - start))
echo "build-qt-windows: Qt $qt_version for MinGW-w64 in $prefix ($(du -sh "$prefix" | cut -f1))," \
     "built in $((elapsed / 60)) min $((elapsed % 60)) s"
