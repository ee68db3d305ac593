#!/usr/bin/env bash
# Makes the Debian package from an existing build tree (built with the desktop
# application) and checks it as a user gets it: its contents, lintian, the
# desktop entry, the AppStream metadata, stripped binaries, the manual pages,
# the bash completion, the Qt plugins the app loads against the package's
# Depends, and the installed auctl on the demo site. The programs run from the
# unpacked package, inside a private network namespace (scripts/netns.sh).
# Usage: scripts/package-check.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "package-check: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "package-check: ok: $*"; }

# --- the package -------------------------------------------------------------
if ! (cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log" >&2
  echo "package-check: FAIL: cpack" >&2
  exit 1
fi
debs=("$work"/out/auct_*.deb)
deb=${debs[0]}
[[ -f $deb ]] || { echo "package-check: FAIL: cpack made no auct_*.deb" >&2; exit 1; }
echo "package-check: $(basename "$deb"), Installed-Size $(dpkg-deb -f "$deb" Installed-Size) KiB"
echo "package-check: Depends: $(dpkg-deb -f "$deb" Depends)"
echo "package-check: Recommends: $(dpkg-deb -f "$deb" Recommends)"

dpkg-deb --contents "$deb" >"$work/contents"
cat "$work/contents"
expected=(
  ./usr/bin/auct ./usr/bin/auctl ./usr/bin/auct-devsim
  ./usr/share/man/man1/auct.1.gz ./usr/share/man/man1/auctl.1.gz ./usr/share/man/man1/auct-devsim.1.gz
  ./usr/share/bash-completion/completions/auctl
  ./usr/share/doc/auct/copyright ./usr/share/doc/auct/changelog.gz
  ./usr/share/applications/auct.desktop ./usr/share/icons/hicolor/scalable/apps/auct.svg
  ./usr/share/metainfo/example.aulira.auct.metainfo.xml
  ./usr/share/auct/translations/auct_zh_CN.qm
)
for path in "${expected[@]}"; do
  awk -v p="$path" '$6 == p { found = 1 } END { exit !found }' "$work/contents" || fail "the package lacks $path"
done

# lintian: no errors and no warnings; what remains is information only.
if lintian --fail-on error,warning --display-info "$deb" >"$work/lintian.log" 2>&1; then
  pass "lintian$( [[ -s $work/lintian.log ]] && printf ' (notes below)')"
else
  fail "lintian"
fi
cat "$work/lintian.log"

# --- unpacked, as installed -------------------------------------------------
root=$work/root
dpkg-deb -x "$deb" "$root"

for program in auct auctl auct-devsim; do
  sections=$(readelf -S --wide "$root/usr/bin/$program")
  if grep -Eq '\.(symtab|debug_info)\b' <<<"$sections"; then
    fail "$program is not stripped"
  fi
done

if desktop-file-validate "$root/usr/share/applications/auct.desktop"; then
  pass "desktop entry"
else
  fail "desktop entry"
fi
if appstreamcli validate --no-net --explain "$root/usr/share/metainfo/example.aulira.auct.metainfo.xml" \
     >"$work/as.log" 2>&1; then
  pass "AppStream metadata"
else
  cat "$work/as.log"
  fail "AppStream metadata"
fi

# Manual pages: made from each program's --help, so they name its options.
man_failures=$failures
while IFS='|' read -r page phrase; do
  text=$(MANWIDTH=100 man -l "$root/usr/share/man/man1/$page.1.gz" 2>"$work/man.err" | col -b)
  if ! grep -qF -- "$phrase" <<<"$text" || [[ -s $work/man.err ]]; then
    fail "man page $page lacks '$phrase' or has errors: $(cat "$work/man.err")"
  fi
done <<'EOF'
auctl|params backups DEVICE
auctl|--data-dir DIR
auctl|EXIT STATUS
auct|--demo
auct|-platform NAME
auct-devsim|--devices FILE
EOF
((failures == man_failures)) && pass "manual pages"

# Bash completion: each line is the words typed so far (the last one being
# completed, '' for an empty word) and the completions expected, in order.
mkdir -p "$work/files/sub"
touch "$work/files/hall.alc" "$work/files/firmware.bin" "$work/files/notes.txt" "$work/files/report.csv"
completion_cases=$(cat <<'EOF'
auctl ''|book commission devices group mac params search site time upgrade
auctl --d|--data-dir --demo
auctl --demo pa|params
auctl --port 40000 --json gr|group
auctl --data-dir ''|sub
auctl --adapter 127.0.0.|127.0.0.1
auctl params ''|diff export fields get import set
auctl group ''|add delete download edit list members
auctl devices add --no 60 --n|--name --no
auctl params export 101 ''|hall.alc sub
auctl params diff 101 h|hall.alc
auctl upgrade firmware ''|firmware.bin sub
auctl upgrade screen firmware.bin --r|--report --retries --retry-failed
auctl upgrade firmware --parallel 8 ''|firmware.bin sub
auctl commission --d|--dry-run
auctl commission ''|report.csv sub
auctl upgrade firmware firmware.bin --no|--no-verify
auctl upgrade firmware firmware.bin 101 --report ''|report.csv sub
auctl group download --|--no-confirm --parallel --skip-name-check
auctl params set 101 sampleR|sampleRate=
auctl params set 101 volume=60 --n|--no-confirm
auctl book download Lobby 101 --|--no-confirm
auctl mac set 101 02:00:00:00:00:01 --|--no-confirm
auctl --demo params set 101 volume=60 deviceN|deviceName= deviceNo=
EOF
)
# bash-completion loads the file by the command's name from the unpacked
# /usr/share, as it does from the installed one.
got=$(cd "$work/files" && PATH="$root/usr/bin:$PATH" XDG_DATA_DIRS="$root/usr/share" \
      BASH_COMPLETION_USER_DIR="$work/none" bash --norc --noprofile -c '
  source /usr/share/bash-completion/bash_completion
  compopt() { :; } # only works inside a real completion
  __load_completion auctl && [[ $(complete -p auctl) == *"-F _auctl auctl" ]] ||
    { echo "bash-completion does not find the completion of auctl"; exit 0; }
  while IFS="|" read -r typed _; do
    eval "words=($typed)"
    COMP_WORDS=("${words[@]}"); COMP_CWORD=$((${#words[@]} - 1))
    COMP_LINE="${words[*]}"; COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _auctl auctl "${words[-1]}" "${words[-2]}"
    printf "%s|%s\n" "$typed" "$(printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " " | sed "s/ $//")"
  done <<<"$1"' sh "$completion_cases")
if [[ $got == "$completion_cases" ]]; then
  pass "bash completion"
else
  fail "bash completion, expected then got:"
  diff <(echo "$completion_cases") <(echo "$got") >&2 || true
fi

# The Qt plugins the desktop app loads on an X display (SVG icons, platform
# integration, input context ...) must come from packages named in Depends:
# the library scan cannot see them. The app runs until its SVG icons are drawn.
depends=$(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed 's/^ *//; s/[ (].*//' | sort -u)
log=$work/auct.log
if command -v xvfb-run >/dev/null; then
  XDG_DATA_HOME=$work/home QT_DEBUG_PLUGINS=1 QT_QPA_PLATFORM=xcb scripts/netns.sh \
    xvfb-run -a -s '-screen 0 1280x1024x24' sh -c '
      "$1" --demo >"$2" 2>&1 & pid=$!
      n=0
      while [ $n -lt 240 ] && kill -0 $pid 2>/dev/null && ! grep -qs "iconengines/libqsvgicon" "$2"; do
        sleep 0.5; n=$((n + 1))
      done
      sleep 2
      kill $pid 2>/dev/null
      wait $pid 2>/dev/null
      true' sh "$root/usr/bin/auct" "$log" || true
  # Qt logs each load as: qt.core.library: "/usr/lib/.../plugins/platforms/libqxcb.so" loaded library
  plugins=$(grep -o '"[^"]*/plugins/[^"]*" loaded library' "$log" | cut -d'"' -f2 | sort -u || true)
  grep -q '/platforms/libqxcb' <<<"$plugins" || fail "the app did not load the X platform integration"
  grep -q '/iconengines/libqsvgicon' <<<"$plugins" || fail "the app did not load the SVG icon engine"
  for plugin in $plugins; do
    owner=$(dpkg -S "$plugin" 2>/dev/null | head -n1 | cut -d: -f1 || true)
    if [[ -z $owner ]]; then
      fail "plugin $plugin belongs to no package"
    elif grep -qx "$owner" <<<"$depends"; then
      pass "plugin $plugin: $owner is in Depends"
    else
      fail "plugin $plugin: $owner is not in Depends"
    fi
  done
  [[ -n $plugins ]] || { tail -n 20 "$log" >&2; fail "no plugin loads seen"; }
else
  fail "xvfb-run is missing (scripts/bootstrap.sh --pkg)"
fi

# The installed auctl on the demo site.
if XDG_DATA_HOME=$work/home scripts/netns.sh "$root/usr/bin/auctl" --demo --quiet search >"$work/search.out" 2>&1 &&
   grep -q 'IP Address' "$work/search.out" && grep -Eq '^Online +[0-9]+ +127\.' "$work/search.out"; then
  pass "installed auctl --demo search found $(grep -Ec '^Online ' "$work/search.out") devices"
else
  cat "$work/search.out" >&2
  fail "installed auctl --demo search"
fi

if ((failures)); then
  echo "package-check: $failures failure(s)" >&2
  exit 1
fi
echo "package-check: all passed"
