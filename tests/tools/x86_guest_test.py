#!/usr/bin/env python3
"""tools/x86-guest's own housekeeping, without booting a guest: the cache's
cleanup removes only the tool's own older images, and a run that is killed or
interrupted leaves no qemu behind (a stand-in qemu that only sleeps)."""
import hashlib
import os
import signal
import subprocess
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOL = os.path.join(ROOT, "tools", "x86-guest")
RECIPE = os.path.join(ROOT, "tools", "x86_guest")
MARK = ".zevevov-x86-guest-image"


def current_key():
    digest = hashlib.sha256()
    for name in ("build-image", "image-init", "make-prefixes"):
        with open(os.path.join(RECIPE, name), "rb") as f:
            digest.update(f.read())
    return digest.hexdigest()[:16]


def write(path, text=""):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        f.write(text)


def alive(pid):
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    with open(f"/proc/{pid}/stat") as f:
        return f.read().split()[2] != "Z"


class CacheCleanup(unittest.TestCase):
    def test_only_own_older_images_go(self):
        cache = tempfile.mkdtemp(prefix="x86-guest-cache-")
        key = current_key()
        # (path in the cache, whether it must be there after the cleanup)
        entries = [
            ("neighbour/data.txt", True),              # another tool's folder
            ("0123456789abcdef/disk.img", True),       # named like an image, not marked
            ("lock", True),                            # another tool's file
            (f"{key}/disk.img", True),                 # the image in use
            (f"{key}/{MARK}", True),
            ("fedcba9876543210/disk.img", False),      # an older image of this tool
            (f"fedcba9876543210/{MARK}", False),
        ]
        for path, _ in entries:
            write(os.path.join(cache, path), "kept")
        done = subprocess.run([TOOL, "--clean"], env=dict(os.environ, ZEVEVOV_X86_GUEST_CACHE=cache),
                              capture_output=True, text=True)
        self.assertEqual(0, done.returncode, done.stderr)
        for path, kept in entries:
            with self.subTest(path):
                self.assertEqual(kept, os.path.exists(os.path.join(cache, path)))
        with open(os.path.join(cache, "lock")) as f:
            self.assertEqual("kept", f.read())


class StoppedRun(unittest.TestCase):
    def test_no_qemu_outlives_the_run(self):
        for how in (signal.SIGTERM, signal.SIGINT, signal.SIGKILL):
            with self.subTest(how.name):
                work = tempfile.mkdtemp(prefix="x86-guest-stop-")
                cache, bin_dir = os.path.join(work, "cache"), os.path.join(work, "bin")
                write(os.path.join(cache, current_key(), "disk.img"))
                pid_file = os.path.join(work, "qemu.pid")
                fake = os.path.join(bin_dir, "qemu-system-x86_64")
                write(fake, f"#!/bin/sh\necho $$ >{pid_file}.new && mv {pid_file}.new {pid_file}\nexec sleep 600\n")
                os.chmod(fake, 0o755)
                env = dict(os.environ, ZEVEVOV_X86_GUEST_CACHE=cache, PATH=bin_dir + ":" + os.environ["PATH"])
                run = subprocess.Popen([TOOL, "--", "true"], env=env, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
                deadline = time.time() + 30
                while not os.path.exists(pid_file) and time.time() < deadline and run.poll() is None:
                    time.sleep(0.1)
                self.assertTrue(os.path.exists(pid_file), "the stand-in qemu never started")
                with open(pid_file) as f:
                    qemu = int(f.read())
                run.send_signal(how)
                run.wait(timeout=30)
                deadline = time.time() + 10
                while alive(qemu) and time.time() < deadline:
                    time.sleep(0.1)
                if alive(qemu):
                    os.kill(qemu, signal.SIGKILL)
                    self.fail(f"qemu still runs after the tool got {how.name}")


if __name__ == "__main__":
    unittest.main()
