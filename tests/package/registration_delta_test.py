#!/usr/bin/env python3
"""registration_delta.py on planted snapshots: every kind of change to a key
or value that existed before is reported, in both of its comparisons."""
import os
import subprocess
import sys
import tempfile
import unittest

TOOL = os.path.join(os.path.dirname(os.path.abspath(__file__)), "registration_delta.py")

BEFORE = r'''[HKLM\Software\Vendor\App]
"Path"="C:\\App"
"Keep"=dword:00000001

[HKLM\Software\Vendor\Other]
"Name"="x"

[HKLM\Software\Microsoft\Windows NT\CurrentVersion\NetworkCards\1]
"Description"="card"
'''

# The class rows both registrations add in the comparison cases.
CLASS_ROWS = r'''
[HKLM\Software\Classes\Demo.Class]
@="Demo"
'''


def folder(text):
    path = tempfile.mkdtemp(prefix="registration-delta-")
    with open(os.path.join(path, "registry.txt"), "w", encoding="utf-8") as f:
        f.write(text)
    return path


def run(*folders, same=False):
    args = [sys.executable, "-B", TOOL] + (["--same"] if same else []) + list(folders)
    done = subprocess.run(args, capture_output=True, text=True, encoding="utf-8")
    return done.returncode, done.stdout


class SameRegistry(unittest.TestCase):
    CASES = [
        # (what, AFTER, exit code, text the report must hold)
        ("unchanged", BEFORE, 0, "0 differences"),
        ("a pre-existing value removed from a key that stays",
         BEFORE.replace('"Keep"=dword:00000001\n', ""), 1, r'HKLM\Software\Vendor\App|"Keep" (removed value)'),
        ("a pre-existing key removed",
         BEFORE.replace('[HKLM\\Software\\Vendor\\Other]\n"Name"="x"\n', ""), 1,
         r"HKLM\Software\Vendor\Other| (removed key)"),
        ("a value changed", BEFORE.replace('"Name"="x"', '"Name"="y"'), 1, r'Other|"Name" "y"'),
        ("a value added", BEFORE.replace('"Name"="x"', '"Name"="x"\n"New"="n"'), 1, r'Other|"New" "n"'),
        ("only the key Wine writes by itself changed",
         BEFORE.replace('"Description"="card"', '"Description"="other card"'), 0, "0 differences"),
    ]

    def test_cases(self):
        before = folder(BEFORE)
        for what, after, code, text in self.CASES:
            with self.subTest(what):
                got, out = run(before, folder(after), same=True)
                self.assertEqual(code, got, out)
                self.assertIn(text, out)


class PackageAgainstRegsvr32(unittest.TestCase):
    CASES = [
        # (what, after the package, after regsvr32, exit code, text the report must hold)
        ("both add the same rows", BEFORE + CLASS_ROWS, BEFORE + CLASS_ROWS, 0, "0 unexplained"),
        ("the package removes a pre-existing value",
         BEFORE.replace('"Keep"=dword:00000001\n', "") + CLASS_ROWS, BEFORE + CLASS_ROWS, 1, "REMOVED"),
        ("both remove the same pre-existing value",
         BEFORE.replace('"Keep"=dword:00000001\n', "") + CLASS_ROWS,
         BEFORE.replace('"Keep"=dword:00000001\n', "") + CLASS_ROWS, 1, "REMOVED"),
        ("the package lacks a row", BEFORE, BEFORE + CLASS_ROWS, 1, "UNEXPLAINED"),
    ]

    def test_cases(self):
        before = folder(BEFORE)
        for what, msi, regsvr, code, text in self.CASES:
            with self.subTest(what):
                got, out = run(before, folder(msi), folder(regsvr))
                self.assertEqual(code, got, out)
                self.assertIn(text, out)


if __name__ == "__main__":
    unittest.main()
