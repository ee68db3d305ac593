#!/usr/bin/env python3
"""Smoke test of the Windows desktop app from its unpacked zip, under Wine.

Usage: windows-app-smoke.py APP_DIR WORK_DIR [--app-command CMD --close-key KEYS] [--screenshot PNG]

Runs inside the private network namespace (scripts/test-windows.sh puts it
there) on a display of its own (Xvfb), driving the app with real keystrokes
(xdotool):
 1. auct.exe --demo --data-dir WORK_DIR/data opens its window, and its log file
    in that folder shows the search finding all 11 simulated devices;
 2. Return on the first device opens its settings sheet; a new device name
    typed there and Save write through the review dialog: the log must say the
    parameters were saved (the app counts a write as done only when the
    device's record reads back as written) and the record read before the
    write must be backed up in the data folder;
 3. closing the window (Alt+F4) ends the program;
 4. with an AuliraServer.ini beside auct.exe and no --data-dir, the data folder
    is the program's own folder (the demo's log lands in its demo\ folder);
    --lang zh_CN shows the window and the log in Chinese.
--app-command runs another build of the app instead (e.g. the Linux one, to
try the script itself, with --close-key ctrl+q since no window manager runs
here to close its window); the default is wine APP_DIR/auct.exe.
"""
import argparse
import glob
import os
import re
import shlex
import shutil
import subprocess
import sys
import time

DEVICES = 11
FOUND = f"Search for audio devices completed, total number of devices found:{DEVICES}."
NEW_NAME = "Smoke7"


class Failure(Exception):
    pass


failed_shot_path = None
close_key = "alt+F4"


def wait_for(what, check, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        got = check()
        if got:
            return got
        time.sleep(0.5)
    raise Failure(f"gave up after {timeout} s waiting for {what}")


class Display:
    def __init__(self):
        r, w = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x800x24", "-nolisten",
                                      "tcp"], pass_fds=(w,), stderr=subprocess.DEVNULL)
        os.close(w)
        with os.fdopen(r) as f:
            self.name = ":" + f.readline().strip()
        self.env = dict(os.environ, DISPLAY=self.name)

    def xdotool(self, *args, check=True):
        r = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        if check and r.returncode != 0:
            raise Failure(f"xdotool {' '.join(args)}: {r.stderr.strip()}")
        return r.stdout.strip()

    def windows(self, pid_filter=None):
        out = self.xdotool("search", "--onlyvisible", "--name", ".", check=False)
        return [w for w in out.split() if w]

    def title(self, win):
        return self.xdotool("getwindowname", win, check=False)

    def find(self, pattern):
        for w in self.windows():
            if re.search(pattern, self.title(w)):
                return w
        return None

    def keys(self, win, *keys):
        self.xdotool("windowactivate", "--sync", win, check=False)
        self.xdotool("windowfocus", "--sync", win, check=False)
        for k in keys:
            self.xdotool("key", "--clearmodifiers", k)
            time.sleep(0.3)

    def type(self, win, text):
        self.xdotool("windowfocus", "--sync", win, check=False)
        self.xdotool("type", "--delay", "120", text)

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.name, "-window", "root", path], check=True)

    def close(self):
        self.xvfb.terminate()
        self.xvfb.wait()


def log_text(data_dir):
    text = ""
    for f in sorted(glob.glob(os.path.join(data_dir, "logs", "auct-*.log"))):
        with open(f, encoding="utf-8", errors="replace") as fh:
            text += fh.read()
    return text


class App:
    def __init__(self, display, command, args, cwd):
        self.display = display
        # The window layout (QSettings) of a Linux build stays in the test's folder.
        env = dict(display.env, XDG_CONFIG_HOME=os.path.join(cwd, ".config"))
        self.proc = subprocess.Popen(command + args, env=env, cwd=cwd, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)

    def main_window(self, pattern, timeout=120):
        return wait_for(f"the main window (title matching {pattern!r})", lambda: self.display.find(pattern), timeout)

    def close_and_wait(self, win, timeout=60):
        # Under Wine, Alt+F4 closes the window as Windows does (no window manager needed).
        self.display.keys(win, close_key)
        try:
            self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program is still running after its window was closed")
        if self.proc.returncode != 0:
            raise Failure(f"the program ended with exit status {self.proc.returncode}")

    def stop(self, failed):
        if failed:
            path = failed_shot_path
            self.display.screenshot(path)
            print(f"windows-app-smoke: the screen at that moment: {path}", file=sys.stderr)
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()


def to_windows_path(path, wine):
    if not wine:
        return path
    return subprocess.run(["winepath", "-w", path], check=True, capture_output=True, text=True).stdout.strip()


def demo_run(display, command, app_dir, work, wine, screenshot):
    data = os.path.join(work, "data")
    os.makedirs(data)
    app = App(display, command, ["--demo", "--data-dir", to_windows_path(data, wine)], app_dir)
    failed = True
    try:
        win = app.main_window(r"^Aulira Configuration Tool")
        wait_for("the demo search's result in the log file", lambda: FOUND in log_text(data), 120)
        print(f"window {display.title(win)!r}; log: {FOUND}")
        # The search's progress box closes and the window settles (Wine paints late).
        time.sleep(5)
        if screenshot:
            display.screenshot(screenshot)

        # The first device's settings sheet, its name changed, Save, Write.
        display.keys(win, "ctrl+Home", "Return")
        sheet = wait_for("the settings sheet", lambda: display.find(r"^Audio terminal parameter settings"), 60)
        # The page list has the focus: Basic Settings, then past Local Machine
        # NO to Device Name, whose text the Tab selects.
        display.keys(sheet, "Down", "Tab", "Tab", "ctrl+a")
        display.type(sheet, NEW_NAME)
        display.keys(sheet, "Return")
        review = wait_for("the review dialog", lambda: display.find(r"^Review the changes"), 30)
        display.keys(review, "Return")
        saved = wait_for("the write's result in the log file",
                         lambda: re.search(r"Parameters saved to .*\.|were not saved[^\n]*|written but not "
                                           r"confirmed[^\n]*", log_text(data)), 60)
        if not saved.group(0).startswith("Parameters saved"):
            raise Failure("the write did not reach the device: " + saved.group(0))
        backups = [f for f in glob.glob(os.path.join(data, "**", "*"), recursive=True)
                   if os.path.isfile(f) and "backup" in f.lower()]
        print(f"settings sheet saved through the review: {saved.group(0)} (backups: {len(backups)})")
        print("data folder: " + ", ".join(sorted(os.path.relpath(f, data) for f in glob.glob(data + "/**", recursive=True))))
        if not backups:
            raise Failure("no backup of the record read before the write in the data folder")
        app.close_and_wait(win)
        print("the window closed, the program ended")
        failed = False
    finally:
        app.stop(failed)


def chinese_run(display, command, app_dir, work, wine):
    # An INI beside the program makes its folder the data folder.
    ini = os.path.join(app_dir, "AuliraServer.ini")
    with open(ini, "w", encoding="utf-8") as f:
        f.write("[Text]\nCodePage=936\n")
    app = App(display, command, ["--demo", "--lang", "zh_CN"], app_dir)
    failed = True
    try:
        win = app.main_window(r"^Aulira \u914d\u7f6e\u5de5\u5177")  # "Aulira 配置工具"
        # "音频设备搜索完成，共发现设备数:11." in the log file of the demo's
        # folder (demo\) in the data folder beside the program.
        demo = os.path.join(app_dir, "demo")
        wait_for("the Chinese search result in the log file beside the program",
                 lambda: re.search(r"\u5171\u53d1\u73b0\u8bbe\u5907\u6570\s*[:\uff1a]\s*%d\b" % DEVICES,
                                   log_text(demo)), 120)
        print(f"--lang zh_CN: window {display.title(win)!r}; data folder beside the program")
        app.close_and_wait(win)
        failed = False
    finally:
        app.stop(failed)
        os.remove(ini)
        shutil.rmtree(os.path.join(app_dir, "demo"), ignore_errors=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("app_dir")
    ap.add_argument("work_dir")
    ap.add_argument("--app-command")
    ap.add_argument("--screenshot")
    ap.add_argument("--close-key", default="alt+F4", help="the keys that close the main window (ctrl+q on X)")
    a = ap.parse_args()
    global close_key
    close_key = a.close_key
    app_dir = os.path.abspath(a.app_dir)
    work = os.path.abspath(a.work_dir)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    wine = not a.app_command
    command = shlex.split(a.app_command) if a.app_command else ["wine", os.path.join(app_dir, "auct.exe")]
    screenshot = a.screenshot or os.path.join(work, "auct-windows.png")

    global failed_shot_path
    failed_shot_path = os.path.join(work, "failure.png")
    display = Display()
    try:
        demo_run(display, command, app_dir, work, wine, screenshot)
        chinese_run(display, command, app_dir, work, wine)
    except Failure as e:
        print(f"windows-app-smoke: {e}", file=sys.stderr)
        return 1
    finally:
        display.close()
    print(f"screenshot: {screenshot}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
