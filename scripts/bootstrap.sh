#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Usage: scripts/bootstrap.sh [--gui] [--pkg] [--tools] [--windows]
#   --gui      Qt 6 for the desktop application
#   --pkg      the tools that make and check the Debian package (scripts/package-check.sh)
#   --tools    tshark, for the test of the Wireshark dissector in tools/wireshark
#   --windows  the MinGW-w64 cross compiler, Wine and GoogleTest's source for the
#              Windows build and its tests (scripts/test-windows.sh); rsvg-convert
#              for the desktop app's icons, Xvfb, xdotool and ImageMagick for its
#              smoke test, dpkg-dev for Qt's source (scripts/build-qt-windows.sh)
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          nlohmann-json3-dev iproute2 util-linux python3 clang libclang-rt-dev)
for arg in "$@"; do
  case $arg in
    # lupdate/lrelease and their CMake functions for the translations; Qt's own
    # Chinese texts; a CJK font for the Chinese screenshots and tests.
    --gui) packages+=(qt6-base-dev qt6-svg-dev libgl-dev qt6-l10n-tools qt6-tools-dev qt6-tools-dev-tools
                      qt6-translations-l10n fonts-noto-cjk) ;;
    --pkg) packages+=(dpkg-dev file help2man man-db lintian desktop-file-utils appstream bash-completion
                      xvfb xauth) ;;
    # Non-interactive: the question whether non-root users may capture keeps its default (no).
    --tools) packages+=(tshark) ;;
    --windows) packages+=(g++-mingw-w64-x86-64-posix wine64 wine googletest librsvg2-bin xvfb xdotool
                          imagemagick dpkg-dev) ;;
    *) echo "bootstrap: unknown option $arg" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null; then sudo="sudo"; else
    echo "bootstrap: missing packages (${missing[*]}) and not root; install them and run again" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
