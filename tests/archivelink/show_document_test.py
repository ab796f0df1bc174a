#!/usr/bin/env python3
"""Show, end to end: the SAP-like script sets a document and calls Show in a
Wine prefix; the viewer starts the shell's "open" (headless Chromium through
winebrowser), START (the same browser through cmd) or a custom command (the
Windows-side fetcher); the ArchiveLink test server must log exactly the values
that were set, and each browser must leave a screenshot of the page it got.

  show_document_test.py --dll DLL --bin DIR --work DIR -- WINE_RUN...

WINE_RUN runs one program in the prefix (tools/wine-run PREFIX). The test
registers the DLL and makes headless Chromium the prefix's browser for its own
run, and undoes both at the end.
"""

import argparse
import json
import os
import shutil
import signal
import subprocess
import sys
import time
from collections import namedtuple

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
ARCHIVELINK = os.path.join(SOURCE, "tools", "archivelink")
sys.path[:0] = [HERE, ARCHIVELINK]
import png_pixels  # noqa: E402
from content_server import ERROR_PAGE_BACKGROUND  # noqa: E402

URL_ROOT = "/sap/bc/contentserver"
REQUEST_PATH = URL_ROOT + "/.archiveLink"
ERROR_PAGE_COLOUR = tuple(bytes.fromhex(ERROR_PAGE_BACKGROUND.lstrip("#")))
# A page, not a blank: pixels that differ from the most common colour.
MIN_OTHER_PIXELS = 1000

# Limits stretch by ZEVEVOV_TIME_SCALE where everything runs slower (the
# emulated x86 guest sets it).
TIME_SCALE = int(os.environ.get("ZEVEVOV_TIME_SCALE", "1"))
WINE_TIMEOUT_S = 120 * TIME_SCALE
REQUEST_TIMEOUT_S = 60 * TIME_SCALE
SCREENSHOT_TIMEOUT_S = 120 * TIME_SCALE

LONG_ID = ("SCAN/2024/03 " + "0123456789" * 20)[:200]
# 400 two-byte characters escape to 2,400 characters, more than a value may take.
TOO_LONG_ID = "ä" * 400

# launch: "shell", "start" or "fetch" (a custom command starting http_fetch).
# values: what the server's log must show decoded, USER standing for the
# prefix's account name; None when the query cannot be decoded.
# page: "document" or "error" for the screenshot of a browser case.
Case = namedtuple("Case", "launch contrep did send_user status values page")
USER = object()
CASES = [
    Case("shell", "A1", "DOC 4711 ä&x", False, 200, {"contRep": "A1", "docID": "DOC 4711 ä&x"}, "document"),
    Case("shell", "A1", "NO SUCH DOC", True, 404, {"contRep": "A1", "docID": "NO SUCH DOC", "user": USER}, "error"),
    Case("start", "B2", "Größe Ω 東京", True, 200, {"contRep": "B2", "docID": "Größe Ω 東京", "user": USER}, "document"),
    Case("fetch", "A1", "A+B=C #1", True, 200, {"contRep": "A1", "docID": "A+B=C #1", "user": USER}, None),
    Case("fetch", "A1", LONG_ID, False, 200, {"contRep": "A1", "docID": LONG_ID}, None),
    Case("fetch", "R&D 1", "X", False, 404, {"contRep": "R&D 1", "docID": "X"}, None),
    # The viewer leaves "%" as it is, so an id may carry its own escapes...
    Case("fetch", "A1", "50%25 RABATT", False, 200, {"contRep": "A1", "docID": "50% RABATT"}, None),
    # ...and a lone "%" reaches the server as a malformed escape.
    Case("fetch", "A1", "50% RABATT", False, 400, None, None),
    Case("fetch", "A1", TOO_LONG_ID, False, 400, {"contRep": "A1", "docID": ""}, None),
    Case("fetch", "", "DOC 4711 ä&x", False, 400, {"docID": "DOC 4711 ä&x"}, None),
]
BROWSER_AGENT = "HeadlessChrome"
FETCH_AGENT = "http_fetch"


def windows_path(path):
    # Wine maps the Unix root to drive Z:.
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def read_text(path):
    """The file's text without surrounding blanks, or None while it does not exist."""
    if not os.path.exists(path):
        return None
    with open(path, encoding="utf-8") as text:
        return text.read().strip()


def read_json_lines(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as lines:
        return [json.loads(line) for line in lines if line.endswith("\n")]


def wait_for(what, timeout_s, poll):
    """poll() until it gives something other than None; raises after timeout_s."""
    deadline = time.monotonic() + timeout_s
    while True:
        found = poll()
        if found is not None:
            return found
        if time.monotonic() > deadline:
            raise TimeoutError(f"no {what} within {timeout_s} s")
        time.sleep(0.1)


class Wine:
    """Runs programs in the prefix. Output goes through files, never a pipe:
    Wine's background services would keep a pipe open."""

    def __init__(self, wine_run, work):
        self.wine_run = wine_run
        self.output = os.path.join(work, "wine-output.txt")

    def run(self, *args):
        with open(self.output, "wb") as out:
            code = subprocess.run([*self.wine_run, *args], stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=subprocess.STDOUT, timeout=WINE_TIMEOUT_S).returncode
        with open(self.output, encoding="utf-8", errors="replace") as out:
            return code, out.read().strip()


class ContentServer:
    def __init__(self, work):
        self.log = os.path.join(work, "requests.jsonl")
        port_file = os.path.join(work, "server-port")
        with open(os.path.join(work, "server-output.txt"), "w") as out:
            self.process = subprocess.Popen(
                [sys.executable, "-B", os.path.join(ARCHIVELINK, "content_server.py"),
                 "--documents", os.path.join(ARCHIVELINK, "documents"), "--root", URL_ROOT,
                 "--log", self.log, "--port-file", port_file],
                stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT)
        port = wait_for("port from the content server", 30, lambda: read_text(port_file))
        self.url = f"http://127.0.0.1:{port}"

    def requests(self):
        """Logged requests for documents, leaving out what else a browser asks for (favicon)."""
        return [entry for entry in read_json_lines(self.log) if entry["path"] == REQUEST_PATH]

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        self.process.wait(timeout=30)


def account_name(wine):
    """The prefix's account as DOMAIN\\user, asked of the prefix itself."""
    code, text = wine.run("cmd", "/c", "echo", "%USERDOMAIN%\\%USERNAME%")
    if code != 0 or "\\" not in text:
        raise RuntimeError(f"account name: exit {code}, got {text!r}")
    return text.splitlines()[-1].strip()


def screenshot_problems(path, page):
    counts = png_pixels.colour_counts(path)
    (dominant, count), = counts.most_common(1)
    others = sum(counts.values()) - count
    problems = []
    if others < MIN_OTHER_PIXELS:
        problems.append(f"blank: {others} pixels differ from the colour {dominant}")
    if (dominant == ERROR_PAGE_COLOUR) != (page == "error"):
        problems.append(f"the page's main colour is {dominant}, expected a {page} page")
    return problems


class Run:
    def __init__(self, wine, server, screenshots, script, fetcher, account):
        self.wine = wine
        self.server = server
        self.screenshots = screenshots
        self.script = script
        self.fetcher = fetcher
        self.account = account
        self.claimed = []

    def expected_values(self, case):
        return case.values and {k: self.account if v is USER else v for k, v in case.values.items()}

    def show_all(self, cases, cases_file):
        """Shows every case from one script run, in this order; the problems
        of each Show, in the same order."""
        with open(cases_file, "w", encoding="utf-16") as out:
            for case in cases:
                launch = f'"{windows_path(self.fetcher)}" {{0}}' if case.launch == "fetch" else case.launch
                out.write("\t".join([case.contrep, case.did, "true" if case.send_user else "false", launch]) + "\r\n")
        code, output = self.wine.run("cscript", "//nologo", windows_path(self.script), self.server.url, URL_ROOT,
                                     windows_path(cases_file))
        results = [line for line in output.splitlines() if line.startswith("ReturnCode ")]
        if len(results) != len(cases):
            return [[f"the script: exit {code}, output {output!r}"] for _ in cases]
        return [[] if result.startswith("ReturnCode 0,") else [f"Show: got {result!r}, expected ReturnCode 0"]
                for result in results]

    def take_request(self, case):
        """The first request not yet taken by another case that came from the
        case's client with the case's values."""
        agent = FETCH_AGENT if case.launch == "fetch" else BROWSER_AGENT
        expected = self.expected_values(case)

        def find():
            for number, request in enumerate(self.server.requests()):
                if number not in self.claimed and agent in request["userAgent"] and request.get("values") == expected:
                    self.claimed.append(number)
                    return request
            return None
        try:
            return wait_for("request", REQUEST_TIMEOUT_S, find)
        except TimeoutError as timeout:
            seen = [r.get("values") for r in self.server.requests() if agent in r["userAgent"]]
            raise TimeoutError(f"{timeout} from {agent} with the values {expected}; it asked for {seen}")

    def check(self, case):
        """After the case's Show: its request at the server and, for a browser,
        the screenshot of the URL it requested."""
        request = self.take_request(case)
        problems = []
        if request["status"] != case.status:
            problems.append(f"status: got {request['status']} ({request['reason']}), expected {case.status}")
        if case.page is None:
            return problems
        requested = f"{self.server.url}{request['path']}?{request['query']}"
        shot = wait_for(f"screenshot of {requested}", SCREENSHOT_TIMEOUT_S, lambda: next(
            (s for s in read_json_lines(self.screenshots) if s["url"] == requested), None))
        if shot["exit"] != 0:
            problems.append(f"the browser ended with {shot['exit']}")
        elif not os.path.exists(shot["png"]):
            problems.append(f"no screenshot at {shot['png']}")
        else:
            problems += [f"screenshot {shot['png']}: {p}" for p in screenshot_problems(shot["png"], case.page)]
        return problems


def run_cases(run, cases_file):
    """Problems per case, in the order of CASES. One script run shows every
    case, the browser cases first: Chromium takes seconds to start, and the
    fetcher cases go on meanwhile."""
    order = sorted(range(len(CASES)), key=lambda n: CASES[n].launch == "fetch")
    start = time.monotonic()
    shown = dict(zip(order, run.show_all([CASES[n] for n in order], cases_file)))
    print(f"{len(CASES)} cases shown in {time.monotonic() - start:.1f} s")
    problems = []
    for number, case in enumerate(CASES):
        found = shown[number]
        if not found:
            try:
                found = run.check(case)
            except (TimeoutError, subprocess.TimeoutExpired) as timeout:
                found = [str(timeout)]
        problems.append(found)
    print(f"every request and screenshot there {time.monotonic() - start:.1f} s after the start")
    return problems


def describe(case):
    did = case.did if len(case.did) < 40 else f"{case.did[:20]}... ({len(case.did)} characters)"
    return f"{case.launch}, contRep {case.contrep!r}, docID {did!r}, SendUser {case.send_user}"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--dll", required=True)
    parser.add_argument("--bin", required=True, help="folder of the built tools (http_fetch.exe)")
    parser.add_argument("--work", required=True, help="folder for the log, the screenshots and outputs")
    parser.add_argument("wine_run", nargs="+")
    args = parser.parse_args()

    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    for name in ("requests.jsonl", "server-port"):
        if os.path.exists(os.path.join(work, name)):
            os.remove(os.path.join(work, name))
    screenshot_dir = os.path.join(work, "screenshots")
    shutil.rmtree(screenshot_dir, ignore_errors=True)
    screenshots = os.path.join(screenshot_dir, "screenshots.jsonl")

    start = time.monotonic()
    wine = Wine(args.wine_run, work)
    browser = os.path.join(ARCHIVELINK, "wine-browser")
    server = ContentServer(work)
    failures = 0
    try:
        code, text = wine.run("regsvr32", "/s", windows_path(args.dll))
        if code != 0:
            print(f"FAIL: regsvr32 {args.dll}: exit {code} {text}")
            return 1
        subprocess.run([browser, screenshot_dir, *args.wine_run], check=True, stdin=subprocess.DEVNULL,
                       timeout=WINE_TIMEOUT_S)
        run = Run(wine, server, screenshots, os.path.join(ARCHIVELINK, "show_document.vbs"),
                  os.path.join(args.bin, "http_fetch.exe"), account_name(wine))
        print(f"server {server.url}, account {run.account}, set up in {time.monotonic() - start:.1f} s")
        problems = run_cases(run, os.path.join(work, "cases.txt"))
        for number, (case, found) in enumerate(zip(CASES, problems), 1):
            print(f"case {number} ({describe(case)}): {'FAIL' if found else 'ok'}")
            for problem in found:
                print(f"  {problem}")
        failures = sum(bool(found) for found in problems)
        # One request per Show: nothing launched twice, nothing left over.
        time.sleep(1)
        if len(server.requests()) != len(CASES):
            print(f"FAIL: {len(server.requests())} document requests for {len(CASES)} cases")
            failures += 1
    finally:
        subprocess.run([browser, "--reset", *args.wine_run], stdin=subprocess.DEVNULL, timeout=WINE_TIMEOUT_S)
        wine.run("regsvr32", "/u", "/s", windows_path(args.dll))
        server.stop()
    print(f"{failures} of {len(CASES)} cases failed" if failures else f"all {len(CASES)} cases passed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
