#!/usr/bin/env python3
"""Checks that the sources keep their layers (docs/architecture.md).

Top level: core/ knows nothing above it; sim/, frontend/, cli/ and app/ build
on it in that order, and bench/ and fuzz/ may use them all. Inside app/: the
main window (mainwindow/, main.cpp) on top; the feature folders below it, none
including another; common/ and controls/ at the bottom, controls/ knowing
nothing of the rest. Prints each include that points the wrong way (with
--graph: the counted arrows between folders) and exits 1 if there is one.
Usage: scripts/layers.py [--graph] [SOURCE_DIR]
"""
import collections, os, re, sys

# Who may include whom, by top-level folder.
TOP = {
    "core": {"core"},
    "sim": {"sim", "core"},
    "frontend": {"frontend", "core", "sim"},
    "cli": {"cli", "frontend", "core", "sim"},
    "app": {"app", "frontend", "core", "sim"},
    "bench": {"bench", "cli", "frontend", "core", "sim", "app"},
    "fuzz": {"fuzz", "core", "sim", "frontend", "cli"},
}
FEATURES = {"devices", "params", "grouping", "addrbook", "upgrade", "rollout"}
APP = {"mainwindow": {"mainwindow", "common", "controls"} | FEATURES,
       "common": {"common", "controls"},
       "controls": {"controls"}}
APP.update({f: {f, "common", "controls"} for f in FEATURES})
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def resolve(root, src, inc):
    """The file a quoted include names: beside the includer, else in the include folders."""
    top = src.split("/")[0]
    beside = os.path.normpath(os.path.join(os.path.dirname(src), inc))
    if os.path.isfile(os.path.join(root, beside)):
        return beside
    for folder in [top] + [t for t in ("core", "frontend", "sim", "cli", "app") if t != top]:
        if os.path.isfile(os.path.join(root, folder, inc)):
            return folder + "/" + inc
    return None


def room(path):
    parts = path.split("/")
    if parts[0] != "app":
        return parts[0]
    return "mainwindow" if len(parts) == 2 else parts[1]   # app/main.cpp sits with the main window


def main():
    args = [a for a in sys.argv[1:] if a != "--graph"]
    root = args[0] if args else os.path.join(os.path.dirname(__file__), "..")
    arrows, wrong = collections.Counter(), []
    for top in TOP:
        for dirpath, _, files in os.walk(os.path.join(root, top)):
            for name in files:
                if not name.endswith((".cpp", ".h", ".cc")):
                    continue
                src = os.path.relpath(os.path.join(dirpath, name), root).replace(os.sep, "/")
                with open(os.path.join(root, src), encoding="utf-8") as f:
                    text = f.read()
                for inc in INCLUDE.findall(text):
                    target = resolve(root, src, inc)
                    if target is None:
                        continue  # generated (autogen, build tree) or system
                    a, b = src.split("/")[0], target.split("/")[0]
                    ok = b in TOP[a]
                    if a == "app" and b == "app":
                        ok = room(target) in APP[room(src)]
                    if a == "app":
                        a = "app/" + room(src)
                    if b == "app":
                        b = "app/" + room(target)
                    if a != b:
                        arrows[(a, b)] += 1
                    if not ok:
                        wrong.append(f"{src}: #include \"{inc}\" ({a} -> {b})")
    if "--graph" in sys.argv:
        for (a, b), n in sorted(arrows.items()):
            print(f"{a:18} -> {b:18} {n}")
    for line in wrong:
        print(line)
    print(f"layers: {len(wrong)} include(s) against the layers")
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
