#!/usr/bin/env python3
"""Checks the Windows zip that cpack made and unpacks it.

Usage: windows-zip-check.py ZIP UNPACK_DIR --app ON|OFF

- The zip holds the programs, the README and the licence texts; with the
  desktop app also auct.exe, Qt's DLLs and plugins, MinGW's runtime DLLs,
  qt.conf, the translations and Qt's licence with the pointer to its source.
- Every .exe and .dll in it imports only DLLs that are in the zip (beside the
  programs) or part of Windows itself: read from their import tables with
  x86_64-w64-mingw32-objdump -p.
"""
import argparse
import os
import re
import subprocess
import sys
import zipfile

# The DLLs every Windows installation has (system32), lower case. api-ms-win-*
# and ext-ms-win-* are Windows' API sets.
SYSTEM_DLLS = {
    "advapi32.dll", "authz.dll", "bcrypt.dll", "comctl32.dll", "comdlg32.dll", "crypt32.dll", "d3d11.dll",
    "d3d12.dll", "d3d9.dll", "dwmapi.dll", "dwrite.dll", "dxgi.dll", "gdi32.dll", "imm32.dll", "iphlpapi.dll",
    "kernel32.dll", "msvcrt.dll", "mpr.dll", "ncrypt.dll", "netapi32.dll", "ntdll.dll", "ole32.dll",
    "oleaut32.dll", "opengl32.dll", "rpcrt4.dll", "secur32.dll", "setupapi.dll", "shcore.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "userenv.dll", "uxtheme.dll", "version.dll", "winmm.dll", "winspool.drv",
    "ws2_32.dll", "wtsapi32.dll", "d2d1.dll", "dcomp.dll", "crypt32.dll", "cfgmgr32.dll", "hid.dll",
}

# What the zip holds besides the plugin folders' DLLs.
BASE = ["README.md", "auct-devsim.exe", "auctl.exe", "licenses/AUCT.txt"]
APP = BASE + [
    "auct.exe", "qt.conf", "Qt6Core.dll", "Qt6Gui.dll", "Qt6Widgets.dll",
    "libgcc_s_seh-1.dll", "libstdc++-6.dll", "libwinpthread-1.dll",
    "platforms/qwindows.dll", "translations/auct_zh_CN.qm", "translations/qtbase_zh_CN.qm",
    "licenses/THIRD-PARTY.txt", "licenses/qt/SOURCE.txt", "licenses/qt/LGPL-3.0-only.txt",
    "licenses/qt/GPL-3.0-only.txt", "licenses/mingw/gcc-runtime.txt", "licenses/mingw/mingw-w64.txt",
]


def imports(path):
    out = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", path], check=True, capture_output=True,
                         text=True).stdout
    return sorted(set(re.findall(r"^\s*DLL Name: (\S+)", out, re.M)))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("zip")
    ap.add_argument("unpack_dir")
    ap.add_argument("--app", default="OFF")
    a = ap.parse_args()

    with zipfile.ZipFile(a.zip) as z:
        z.extractall(a.unpack_dir)
        entries = [n for n in z.namelist() if not n.endswith("/")]
    top = {n.split("/", 1)[0] for n in entries}
    if len(top) != 1:
        sys.exit(f"windows-zip: {a.zip} should hold one folder, not {sorted(top)}")
    root = os.path.join(a.unpack_dir, top.pop())
    names = sorted(n.split("/", 1)[1] for n in entries)
    size = os.path.getsize(a.zip)
    unpacked = sum(os.path.getsize(os.path.join(root, n)) for n in names)
    print(f"{a.zip}: {len(names)} files, {size / 2**20:.1f} MB ({unpacked / 2**20:.1f} MB unpacked)")

    faults = []
    want = APP if a.app == "ON" else BASE
    faults += [f"{n} is missing" for n in want if n not in names]
    plugins = [n for n in names if "/" in n and n.endswith(".dll")]
    if a.app == "ON":
        for folder in ("styles/", "imageformats/"):
            if not any(n.startswith(folder) for n in plugins):
                faults.append(f"no plugin in {folder}")
        extra = [n for n in names if n not in want and n not in plugins and not n.startswith("licenses/")]
    else:
        extra = [n for n in names if n not in want]
    faults += [f"{n} does not belong in it" for n in extra]

    # Plugins load their DLLs from the program's folder, as the programs do.
    shipped = {n.lower() for n in names if "/" not in n}
    for n in names:
        if not n.lower().endswith((".exe", ".dll")):
            continue
        for dll in imports(os.path.join(root, n)):
            d = dll.lower()
            if d in shipped or d in SYSTEM_DLLS or d.startswith(("api-ms-win-", "ext-ms-win-")):
                continue
            faults.append(f"{n} imports {dll}, which is neither in the zip nor part of Windows")
    if faults:
        print("\n".join(f"windows-zip: {f}" for f in faults), file=sys.stderr)
        sys.exit(1)
    print("every program and DLL in the zip finds the DLLs it imports: " + ", ".join(names))


if __name__ == "__main__":
    main()
