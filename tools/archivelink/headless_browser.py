#!/usr/bin/env python3
"""The browser of a Wine prefix for tests and the demo: Wine's winebrowser
starts it with a URL (see wine_browser.py), and it has headless Chromium load
that URL and save a screenshot of the page.

  headless_browser.py SCREENSHOT_DIR URL

Each URL gives SCREENSHOT_DIR/<time>-<pid>.png, Chromium's own output in the
.log beside it, and then one JSON line in SCREENSHOT_DIR/screenshots.jsonl:
{"url", "png", "exit", "seconds"}. That line is written last, so whoever sees
it finds the screenshot complete.
"""

import json
import os
import signal
import subprocess
import sys
import tempfile
import time

BROWSER = "chromium"
WINDOW_SIZE = "900,500"
# Limits stretch by ZEVEVOV_TIME_SCALE where everything runs slower (the
# emulated x86 guest sets it).
TIME_SCALE = int(os.environ.get("ZEVEVOV_TIME_SCALE", "1"))
TIMEOUT_S = 90 * TIME_SCALE
INDEX_NAME = "screenshots.jsonl"

# Without these, Chromium on a machine without network access or display
# stalls on its first-run, sync and update services or fails to start.
FLAGS = [
    "--headless",
    "--no-sandbox",
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
]


def take_screenshot(url, png, log):
    """Chromium's exit code; a run past TIMEOUT_S is ended with all its processes."""
    with tempfile.TemporaryDirectory(prefix="archivelink-profile-") as profile:
        command = [BROWSER, *FLAGS, f"--user-data-dir={profile}", f"--screenshot={png}",
                   f"--window-size={WINDOW_SIZE}", url]
        browser = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                   start_new_session=True)
        try:
            return browser.wait(timeout=TIMEOUT_S)
        except subprocess.TimeoutExpired:
            os.killpg(browser.pid, signal.SIGKILL)
            browser.wait()
            return "timeout"


def main():
    if len(sys.argv) != 3:
        print("usage: headless_browser.py SCREENSHOT_DIR URL", file=sys.stderr)
        return 2
    folder, url = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    name = f"{time.time_ns()}-{os.getpid()}"
    png = os.path.join(folder, name + ".png")
    start = time.monotonic()
    with open(os.path.join(folder, name + ".log"), "w") as log:
        status = take_screenshot(url, png, log)
    entry = {"url": url, "png": png, "exit": status, "seconds": round(time.monotonic() - start, 2)}
    with open(os.path.join(folder, INDEX_NAME), "a", encoding="utf-8") as index:
        index.write(json.dumps(entry, ensure_ascii=False) + "\n")
    return 0 if status == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
