#!/usr/bin/env python3
"""The XLS export against the real LibreOffice Calc on a virtual screen: an
untitled Calc window appears holding the table, and the workbook file goes
once Calc is done with it.

usage: calc_window_test.py CALC_WINDOW_DRIVER
Exits 77 (skipped) when LibreOffice, Xvfb or xdotool is missing.
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
WINDOW = "Untitled 1 - LibreOffice Calc"

# A profile that starts Calc without its first-run dialogs.
PROFILE = """<?xml version="1.0" encoding="UTF-8"?>
<oor:items xmlns:oor="http://openoffice.org/2001/registry" xmlns:xs="http://www.w3.org/2001/XMLSchema"
 xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="ShowTipOfTheDay" oor:op="fuse">
<value>false</value></prop></item>
<item oor:path="/org.openoffice.Office.Common/Misc"><prop oor:name="FirstRun" oor:op="fuse">
<value>false</value></prop></item>
</oor:items>
"""


def wait_for(condition, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        result = condition()
        if result:
            return result
        time.sleep(0.25)
    return None


def workbooks(folder):
    return [f for f in os.listdir(folder) if f.startswith("ledgerfen-export-") and f.endswith(".xlsx")]


def main():
    missing = [tool for tool in ("soffice", "Xvfb", "xdotool") if shutil.which(tool) is None]
    if missing:
        print(f"SKIPPED: {', '.join(missing)} not installed (LibreOffice Calc, xvfb, xdotool)", file=sys.stderr)
        return SKIPPED
    driver = sys.argv[1]
    work = tempfile.mkdtemp(prefix="ledgerfen-calc-window-")
    home, runtime = os.path.join(work, "home"), os.path.join(work, "runtime")
    profile = os.path.join(home, ".config", "libreoffice", "4", "user")
    os.makedirs(profile)
    os.makedirs(runtime, mode=0o700)
    with open(os.path.join(profile, "registrymodifications.xcu"), "w") as f:
        f.write(PROFILE)

    display_pipe = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(display_pipe[1]), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=[display_pipe[1]], stderr=subprocess.DEVNULL)
    os.close(display_pipe[1])
    # Xvfb writes the number, then a line break; it ends when it cannot write
    # the line break, so the pipe stays open until that has come too.
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(display_pipe[0], 16)
        if not chunk:
            break
        number += chunk
    os.close(display_pipe[0])
    display = ":" + number.decode().strip()
    if display == ":":
        xvfb.wait()
        print("FAILED: Xvfb did not start", file=sys.stderr)
        return 1
    env = dict(os.environ, DISPLAY=display, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb", LC_ALL="C.UTF-8")
    env.pop("WAYLAND_DISPLAY", None)
    # The export and every office process it starts share this session.
    exporter = subprocess.Popen([driver, "export"], env=env, start_new_session=True)
    failures = []
    try:
        if exporter.wait(timeout=60) != 0:
            failures.append("the export showed a message")
        if len(workbooks(runtime)) != 1:
            failures.append(f"the runtime folder holds {os.listdir(runtime)}")

        def xdotool(*args):
            return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True)

        window = wait_for(lambda: xdotool("search", "--name", WINDOW).stdout.split(), 120)
        if not window:
            failures.append(f"no window named {WINDOW!r} appeared")
        else:
            xdotool("windowfocus", "--sync", window[0])
            time.sleep(1)
            xdotool("key", "--delay", "200", "ctrl+Home", "ctrl+shift+End", "ctrl+c")

            def copied():
                text = subprocess.run([driver, "clipboard"], env=env, capture_output=True, text=True).stdout
                return text if "Lovelace" in text else None

            text = wait_for(copied, 30) or ""
            rows = [line.rstrip("\r").split("\t") for line in text.strip("\n").split("\n")]
            if rows != [["ID", "Name"], ["1", "Ada Lovelace"], ["2", "Ωμέγα"]]:
                failures.append(f"the sheet holds {rows!r}")
            # Calc quits without a question: the new document is unchanged.
            xdotool("key", "ctrl+q")
            if not wait_for(lambda: not workbooks(runtime), 60):
                failures.append(f"the workbook file stays after Calc has ended: {workbooks(runtime)}")
    finally:
        try:
            os.killpg(exporter.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        xvfb.terminate()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("FAILED:", failure, file=sys.stderr)
    print("Calc window test:", "failed" if failures else "passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
