#!/usr/bin/python3
"""Compares what tarnwick-cli shows of a UDF tree with a reference listing (the format
of tools/udf-listing.sh, as the kernel's driver, the test writer or the material
script give it):

    udf-compare.py REFERENCE LS-JSON [EXTRACTED-DIR]

LS-JSON is the output of `tarnwick-cli --names udf ls -R --json`; EXTRACTED-DIR what
`extract -R --symlinks` wrote of the same tree, for the contents (md5), the dates of
files and directories and the link targets. Without it only names, types and sizes are
compared: the listing's "date" is the recorded wall-clock time, without its zone.
Dates are compared to the even second below. Prints each difference; exits 1 when
there is one, 0 when none.
"""
import hashlib
import json
import os
import sys


def reference(path):
    rows = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            kind, size, mtime, extra, name = line.rstrip("\n").split("\t")
            rows[name] = (kind, size, int(mtime) - int(mtime) % 2, extra)
    return rows


def shown(ls_json, extracted):
    with open(ls_json, encoding="utf-8") as f:
        doc = json.load(f)
    rows = {}
    for e in doc["entries"]:
        kind = {"file": "f", "directory": "d", "symlink": "l"}[e["type"]]
        extra, local = "-", os.path.join(extracted, e["path"].lstrip("/")) if extracted else None
        mtime = "?"
        if local and kind != "l":
            mtime = int(os.stat(local).st_mtime)
            mtime -= mtime % 2
        if kind == "f":
            extra = "?"
            if local:
                with open(local, "rb") as data:
                    extra = hashlib.md5(data.read()).hexdigest()
        elif kind == "l":
            extra = e.get("target") or (os.readlink(local) if local and os.path.islink(local) else "?")
        rows[e["path"]] = (kind, str(e["size"]) if kind == "f" else "-", mtime, extra)
    return rows


def main():
    want = reference(sys.argv[1])
    got = shown(sys.argv[2], sys.argv[3] if len(sys.argv) > 3 else None)
    problems = []
    for path in sorted(set(want) | set(got)):
        w, g = want.get(path), got.get(path)
        if w is None or g is None:
            problems.append(f"{path}: {'only the tool shows it' if w is None else 'the tool does not show it'}")
            continue
        for label, a, b in zip(("type", "size", "mtime", "contents/target"), w, g):
            if b != "?" and a != b:
                problems.append(f"{path}: {label} {b!r}, expected {a!r}")
    for p in problems:
        print(p)
    print(f"{len(want)} entries expected, {len(got)} shown, {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
