#!/usr/bin/env bash
# Shows that the test suite catches a few guarded behaviours: each patch in
# tools/mutations/ breaks one of them; for each, the product is rebuilt, the
# whole suite runs, and the tests that fail are named. A mutation no test
# notices is reported as NOT CAUGHT and makes the exit status non-zero.
#
#   tools/mutation-check.sh BUILD_DIR [PATCH...]     (from the checkout's top)
#
# BUILD_DIR is an already configured build tree of this checkout. Without
# PATCH arguments every tools/mutations/*.patch is tried. Each patch starts
# with a "# Breaks: ..." line; the files they touch today:
#   1-checksum.patch       core/protocol/Packet.cpp      (PacketSum)
#   2-layout-offset.patch  core/params/SysParaFields.h   (kSysParaFields, "volume")
#   3-confirmation.patch   app/grouping/GroupSetupDownload.cpp (startDownload's question)
#   4-refusal.patch        core/util/Ipv4.cpp            (isGroupAddress)
#   5-lock.patch           core/util/DataLock.cpp        (lockFile)
# When one of these files moves, regenerate its patch with `git diff`.
#
# First a baseline run: tests that already fail without any mutation (for
# instance a translation check on a branch) are left out of every row.
# Set MUTATION_SKIP_BASELINE=1 to skip it. The patched files are always
# restored, also on failure or Ctrl+C, and the build is brought back to the
# clean tree at the end. Logs go to BUILD_DIR/mutation-logs/.
set -euo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: tools/mutation-check.sh BUILD_DIR [PATCH...]" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
shift
[[ -f "$build/CTestTestfile.cmake" ]] || { echo "not a configured build tree: $build" >&2; exit 2; }
[[ -d tools/mutations && -x scripts/netns.sh ]] || { echo "run from the checkout's top" >&2; exit 2; }
if [[ $# -gt 0 ]]; then patches=("$@"); else patches=(tools/mutations/*.patch); fi
buildJobs=${MUTATION_BUILD_JOBS:-2}
testJobs=${MUTATION_TEST_JOBS:-4}
logs="$build/mutation-logs"
mkdir -p "$logs"

touched() { git apply --numstat "$1" | cut -f3; }

# Refuse a tree whose patched files carry uncommitted changes: reverting would lose them.
for p in "${patches[@]}"; do
  [[ -f "$p" ]] || { echo "no such patch: $p" >&2; exit 2; }
  mapfile -t files < <(touched "$p")
  if [[ -n "$(git status --porcelain -- "${files[@]}")" ]]; then
    echo "uncommitted changes in ${files[*]}; commit or stash them first" >&2
    exit 2
  fi
  git apply --check "$p" || { echo "$p no longer applies; regenerate it" >&2; exit 2; }
done

applied=""
revert() {
  if [[ -n "$applied" ]]; then
    git apply -R "$applied" || echo "could not revert $applied: restore its files with git checkout" >&2
    applied=""
  fi
}
trap 'revert' EXIT
trap 'revert; echo "interrupted; patches reverted" >&2; exit 130' INT TERM

build() { cmake --build "$build" -j"$buildJobs" >"$1" 2>&1; }

# Runs the whole suite; prints the names of the failing tests, one a line.
failing() {
  rm -f "$build/Testing/Temporary/LastTestsFailed.log"
  scripts/netns.sh ctest --test-dir "$build" -j"$testJobs" --timeout 600 >"$1" 2>&1 || true
  if [[ -f "$build/Testing/Temporary/LastTestsFailed.log" ]]; then
    cut -d: -f2- "$build/Testing/Temporary/LastTestsFailed.log" | sort -u
  fi
}

baseline=""
if [[ "${MUTATION_SKIP_BASELINE:-0}" != 1 ]]; then
  echo "== baseline" >&2
  build "$logs/baseline-build.log" || { echo "the clean tree does not build; see $logs/baseline-build.log" >&2; exit 1; }
  baseline=$(failing "$logs/baseline-ctest.log")
  [[ -z "$baseline" ]] || echo "already failing, left out: $(echo $baseline)" >&2
fi

declare -a names rows
status=0
for p in "${patches[@]}"; do
  name=$(basename "$p" .patch)
  echo "== $name: $(head -1 "$p" | sed 's/^# Breaks: //')" >&2
  git apply "$p"
  applied="$p"
  if ! build "$logs/$name-build.log"; then
    row="BUILD FAILED (see $logs/$name-build.log)"
    status=1
  else
    caught=$(comm -23 <(failing "$logs/$name-ctest.log") <(printf '%s\n' "$baseline" | sed '/^$/d' | sort -u))
    if [[ -z "$caught" ]]; then
      row="NOT CAUGHT"
      status=1
    else
      row=$(echo $caught | sed 's/ /, /g')
    fi
  fi
  revert
  names+=("$name")
  rows+=("$row")
  echo "   -> $row" >&2
done

echo "== rebuilding the clean tree" >&2
build "$logs/restore-build.log" || echo "the clean rebuild failed; see $logs/restore-build.log" >&2

printf '%-18s %s\n' "mutation" "failing tests"
printf '%-18s %s\n' "--------" "-------------"
for i in "${!names[@]}"; do
  printf '%-18s %s\n' "${names[$i]}" "${rows[$i]}"
done
[[ -z "$baseline" ]] || printf '\n(failing already without a mutation, left out: %s)\n' "$(echo $baseline)"
exit $status
