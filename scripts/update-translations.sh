#!/usr/bin/env bash
# Collects the translatable texts of app/, core/, cli/ and frontend/ into
# translations/auct_zh_CN.ts with lupdate: new texts come in unfinished, texts no longer
# in the sources go. Translate the new ones (Qt Linguist, or by hand in the
# .ts), then build: the app's .qm and auctl's catalog are made from the .ts.
# Usage: scripts/update-translations.sh          update the .ts files
#        scripts/update-translations.sh --check  change nothing; fail when a text of
#                                                the sources has no finished translation
# LUPDATE names the lupdate to use (the build's update_translations target sets it).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
lupdate=${LUPDATE:-}
if [[ -z $lupdate ]]; then
  for candidate in lupdate /usr/lib/qt6/bin/lupdate /usr/lib/qt6/libexec/lupdate; do
    if command -v "$candidate" >/dev/null; then lupdate=$candidate; break; fi
  done
fi
if [[ -z $lupdate ]]; then
  echo "update-translations: lupdate not found (scripts/bootstrap.sh --gui installs it)" >&2
  exit 1
fi
# AULIRA_TRANSLATE_NOOP marks the core's table texts; translate("context", "text")
# is known to lupdate as it is. No line numbers: the files stay quiet in merges.
options=(-silent -locations none -no-obsolete -extensions cpp,h
         -tr-function-alias QT_TRANSLATE_NOOP+=AULIRA_TRANSLATE_NOOP)
# One file per language; a new language is one more name here (and in core/ and app/).
ts_files=("$root/translations/auct_zh_CN.ts")
sources=()
for dir in app core cli frontend; do [[ -d $root/$dir ]] && sources+=("$root/$dir"); done

if [[ ${1:-} == --check ]]; then
  tmp=$(mktemp -d)
  trap 'rm -rf "$tmp"' EXIT
  files=()
  for ts in "${ts_files[@]}"; do
    cp "$ts" "$tmp/"
    files+=("$tmp/$(basename "$ts")")
  done
  "$lupdate" "${options[@]}" "${sources[@]}" -ts "${files[@]}"
  exec python3 "$root/scripts/translations.py" check "${files[@]}"
fi
"$lupdate" "${options[@]}" "${sources[@]}" -ts "${ts_files[@]}"
# Lists what is left to translate; not a failure here, the tests fail on it.
python3 "$root/scripts/translations.py" check "${ts_files[@]}" || true
