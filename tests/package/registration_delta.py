#!/usr/bin/env python3
"""Compares what a package installs with what regsvr32 registers.

  registration_delta.py BEFORE MSI REGSVR32 [--without-32bit]
  registration_delta.py --same BEFORE AFTER

Each argument is a folder of registry snapshots (tools/registry_snapshot:
UTF-8, a "[ROOT\\path]" line a key, then its values as the registry server
writes them) taken from one prefix: before anything, with the package
installed, with the same DLLs registered by regsvr32 instead. The deltas
against BEFORE must match key by key and value by value, but for the
differences listed in EXPLAINED. Prints both deltas side by side and exits 1
on any unexplained difference. With --same,
AFTER must equal BEFORE with no exception (keys Wine writes by itself aside)."""
import os
import re
import sys

# Wine writes this key on its own some time after the prefix is made.
VOLATILE = re.compile(r"\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards", re.I)

# (what differs, how to find it, why) - every difference the comparison accepts.
EXPLAINED = [
    ("the installer's own records of the product",
     re.compile(r"\\(Installer|Uninstall)(\\|$)|\\Classes\\Installer\\|\\UserData\\", re.I),
     "Windows Installer files the product, its components and its uninstall entry; regsvr32 has none of these"),
    ("HELPDIR ends in a backslash",
     re.compile(r"\\TypeLib\\[^\\]+\\[^\\]+\\HELPDIR\|@$", re.I),
     "a directory property such as [X64DIR] always ends in a backslash; regsvr32 writes the folder without one"),
    ("FLAGS is 0 where Wine's regsvr32 writes 8",
     re.compile(r"\\TypeLib\\[^\\]+\\[^\\]+\\FLAGS\|@$", re.I),
     "the rows carry the library's own flags (0, as RegisterTypeLib on Windows writes them); Wine's RegisterTypeLib adds 8"),
]
# Windows keeps one HKCR key for both registry views but for these, which each
# view has of its own; the rest (ProgIDs among them) is shared.
OWN_PER_VIEW = {"clsid", "interface", "typelib", "appid", "directshow", "media type", "mediafoundation"}
IN_32BIT_CLASSES = re.compile(r"^(HKLM\\Software\\)(?:Classes\\Wow6432Node|Wow6432Node\\Classes)\\([^\\|]+)(.*)$", re.I)
SHARED_32BIT_ROWS = ("the 32-bit component's ProgIDs in the 32-bit view's own Classes key",
                     "Windows shares these keys between the views, so there they are the rows "
                     "of the 64-bit view; Wine's msiexec writes a 32-bit component's HKCR rows under "
                     "Classes\\Wow6432Node where its regsvr32 writes them in the shared key. "
                     "Each such row must agree with the shared one")
WITHOUT_32BIT = ("the 32-bit DLL's rows",
                 re.compile(r"\\Wow6432Node\\|\\win32\|", re.I),
                 "regsvr32 of the 32-bit DLL needs a 32-bit process, which this machine cannot run")


REMOVED = re.compile(r"^\(removed (key|value)\)$")


def read_export(path):
    """{key: {value name: value text}} of one snapshot file."""
    text = open(path, encoding="utf-8").read()
    keys, key, pending = {}, None, ""
    for line in text.splitlines():
        if pending:
            line, pending = pending + line.strip(), ""
        if line.endswith("\\") and not line.startswith("["):
            pending = line[:-1]
            continue
        if line.startswith("#"):
            continue  # the server's own notes on a key: its class, a link
        if line.startswith("[") and line.endswith("]"):
            key = line[1:-1]
            keys.setdefault(key, {})
        elif key is not None and "=" in line:
            name, value = line.split("=", 1) if line.startswith("@") else re.match(r'^("(?:[^"\\]|\\.)*")=(.*)$', line).groups()
            keys[key][name] = value
    # The server writes a key without values only where it has no subkeys:
    # every key's parents exist as well.
    for key in list(keys):
        while "\\" in key:
            key = key.rsplit("\\", 1)[0]
            keys.setdefault(key, {})
    return keys


def read_folder(folder):
    keys = {}
    for name in sorted(os.listdir(folder)):
        keys.update(read_export(os.path.join(folder, name)))
    return {k: v for k, v in keys.items() if not VOLATILE.search(k)}


def delta(before, after):
    """{key|name: value} of every value added or changed, "(removed value)" for
    a value gone from a key that stays, "(new key)" and "(removed key)" under
    key|."""
    out = {}
    for key, values in after.items():
        old = before.get(key)
        if old is None:
            out[key + "|"] = "(new key)"
        for name, value in values.items():
            if old is None or old.get(name) != value:
                out[key + "|" + name] = value
        for name in (old or {}).keys() - values.keys():
            out[key + "|" + name] = "(removed value)"
    for key in before:
        if key not in after:
            out[key + "|"] = "(removed key)"
    return out


def with_shared_rows_folded(changes):
    """CHANGES with each row of a shared key in the 32-bit view's Classes moved
    onto the shared key; a row that disagrees with the shared one stays apart
    and marked. Returns the folded changes and how many rows moved."""
    folded, moved = {}, 0
    for entry, value in changes.items():
        match = IN_32BIT_CLASSES.match(entry)
        if match and match.group(2).lower() not in OWN_PER_VIEW:
            shared = match.group(1) + "Classes\\" + match.group(2) + match.group(3)
            if changes.get(shared, value) == value:
                folded[shared] = value
                moved += 1
                continue
            value = f"{value} (the shared key has {changes[shared]})"
        folded[entry] = value
    return folded, moved


def same(before_folder, after_folder):
    changes = delta(read_folder(before_folder), read_folder(after_folder))
    for entry, value in sorted(changes.items()):
        print(f"!! {entry} {value}")
    print(f"{len(changes)} differences")
    return 1 if changes else 0


def main():
    if sys.argv[1] == "--same":
        return same(sys.argv[2], sys.argv[3])
    before, msi, regsvr = (read_folder(sys.argv[i]) for i in (1, 2, 3))
    explained = EXPLAINED + ([WITHOUT_32BIT] if "--without-32bit" in sys.argv else [])
    from_msi, moved = with_shared_rows_folded(delta(before, msi))
    from_regsvr, _ = with_shared_rows_folded(delta(before, regsvr))
    failures, reasons_used = 0, set()
    print(f"{'':2} {'entry':100} {'package':45} regsvr32")
    for entry in sorted(set(from_msi) | set(from_regsvr), key=str.lower):
        a, b = from_msi.get(entry, "-"), from_regsvr.get(entry, "-")
        # Registering takes nothing away: a removal is a loss even where both do it.
        removal = REMOVED.match(a) or REMOVED.match(b)
        if a == b and not removal:
            print(f"   {entry:100} {a:45} {b}")
            continue
        reason = next((r for r in explained if r[1].search(entry)), None)
        if reason is None:
            failures += 1
            print(f"!! {entry:100} {a:45} {b}   {'REMOVED' if removal else 'UNEXPLAINED'}")
        else:
            reasons_used.add(reason[0])
            print(f"~  {entry:100} {a:45} {b}   ({reason[0]})")
    if moved:
        print(f"{moved} package rows compared as shared keys: {SHARED_32BIT_ROWS[0]}: {SHARED_32BIT_ROWS[1]}")
    print("Differences, each explained:")
    for what, _, why in explained:
        if what in reasons_used:
            print(f"  - {what}: {why}")
    print(f"{len(from_msi)} package entries, {len(from_regsvr)} regsvr32 entries, {failures} unexplained differences")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
