#!/usr/bin/env python3
"""The translation files' two build steps that need no Qt.

  translations.py catalog TS_FILE OUT.cpp   the C++ catalog core/shell/Catalog.h declares:
                                            every finished translation of TS_FILE
  translations.py check TS_FILE...          fails (exit 1) when a text has no finished
                                            translation, or when a translation loses a
                                            %N argument or the line feeds a text ends in
"""
import re
import sys
import xml.etree.ElementTree as ET

DROPPED = {"vanished", "obsolete"}


def messages(path):
    """(context, source, translation or None when not finished, line) for every live message."""
    root = ET.parse(path).getroot()
    for ctx in root.iter("context"):
        name = ctx.findtext("name") or ""
        for msg in ctx.iter("message"):
            tr = msg.find("translation")
            kind = tr.get("type") if tr is not None else "unfinished"
            if kind in DROPPED:
                continue
            loc = msg.find("location")
            where = f"{loc.get('filename')}:{loc.get('line')}" if loc is not None else "?"
            if kind == "unfinished" or tr is None:
                text = None
            elif msg.get("numerus") == "yes":  # Chinese has one plural form
                forms = [f.text or "" for f in tr.iter("numerusform")]
                text = forms[0] if forms else ""
            else:
                text = tr.text or ""
            yield name, msg.findtext("source") or "", text, where


def c_literal(text):
    out = ['"']
    for b in text.encode("utf-8"):
        c = chr(b)
        if c == "\\" or c == '"':
            out.append("\\" + c)
        elif 0x20 <= b < 0x7F and c != "?":  # '?' stays out of trigraph reach
            out.append(c)
        else:
            out.append(f"\\{b:03o}")  # octal: at most three digits, so a following digit is safe
    out.append('"')
    return "".join(out)


def catalog(ts, out):
    rows = [(c, s, t) for c, s, t, _ in messages(ts) if t]
    lines = [
        "// Generated from " + ts.split("/")[-1] + " by scripts/translations.py; do not edit.",
        '#include "shell/Catalog.h"',
        "",
        "namespace aulira {",
        "",
        "namespace {",
        "const CatalogEntry kEntries[] = {",
    ]
    for c, s, t in rows:
        lines.append(f"    {{{c_literal(c)}, {c_literal(s)}, {c_literal(t)}}},")
    if not rows:
        lines.append('    {"", "", ""},')
    lines += ["};", "} // namespace", "",
              "std::span<const CatalogEntry> zhCnCatalog()", "{",
              f"    return std::span<const CatalogEntry>(kEntries, {len(rows)});", "}", "",
              "} // namespace aulira", ""]
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(lines))
    return 0


def trailing_newlines(text):
    return len(text) - len(text.rstrip("\n"))


def check(paths):
    problems = []
    count = 0
    for ts in paths:
        for ctx, source, text, where in messages(ts):
            count += 1
            label = f"{ts}: {where} [{ctx}] {source[:60]!r}"
            if text is None or (source.strip() and not text.strip()):
                problems.append(f"{label}: no finished translation")
                continue
            if sorted(set(re.findall(r"%[\dn]", source))) != sorted(set(re.findall(r"%[\dn]", text))):
                problems.append(f"{label}: the translation does not keep the %N arguments")
            if trailing_newlines(source) != trailing_newlines(text):
                problems.append(f"{label}: the translation does not end in the text's line feeds")
    for p in problems:
        print(p)
    print(f"{count} texts, {len(problems)} problems")
    return 1 if problems or count == 0 else 0


def main(argv):
    if len(argv) >= 3 and argv[1] == "catalog" and len(argv) == 4:
        return catalog(argv[2], argv[3])
    if len(argv) >= 3 and argv[1] == "check":
        return check(argv[2:])
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
